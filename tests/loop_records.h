// What the frame driver's "loop" writes to its file: " record N  X", one
// record a line, N from 1 on.
#pragma once

#include <regex>
#include <string>

namespace testing_support {

// Whether the file holds the loop's records from the first on, without a
// gap, each complete, and nothing after the last whole one.
inline bool whole_loop_records(const std::string& file) {
  static const std::regex record(R"( record (\d+) +[0-9.E+]+)");
  std::size_t start = 0;
  long want = 1;
  while (start < file.size()) {
    std::size_t end = file.find('\n', start);
    if (end == std::string::npos) return false;
    std::smatch m;
    std::string line = file.substr(start, end - start);
    if (!std::regex_match(line, m, record) || std::stol(m[1]) != want++) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace testing_support
