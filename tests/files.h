// Files for the tests: whole files read and written, and a fresh directory
// that goes with its files when the test is done.
#pragma once

#include <string>

namespace testing_support {

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

// A fresh directory under the system's temporary directory, removed with
// its files when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace testing_support
