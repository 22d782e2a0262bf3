// The record under construction on output: its characters collected in
// memory, handed to the unit whole when the record ends. The storage grows
// by doubling and is kept for the rest of the run.
#pragma once

#include <cstddef>
#include <cstring>

namespace rt {

struct Record {
  char* data = nullptr;
  std::size_t len = 0;  // the position: characters collected so far
  std::size_t cap = 0;

  // Makes room for n more characters; failure ends the run with 113.
  char* extend(std::size_t n) {
    if (cap - len < n) grow(n);
    char* at = data + len;
    len += n;
    return at;
  }
  void append(const char* text, std::size_t n) {
    if (n != 0) std::memcpy(extend(n), text, n);
  }
  void append(char c) { *extend(1) = c; }
  void append_blanks(std::size_t n) {
    if (n != 0) std::memset(extend(n), ' ', n);
  }

 private:
  void grow(std::size_t n);
};

}  // namespace rt
