// The record under construction on output: its characters collected in
// memory, handed to the unit whole when the record ends. The storage grows
// by doubling and is kept for the rest of the run.
#pragma once

#include <cstddef>
#include <cstring>

#include "runtime/records/types.h"

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

// The length of a text that an item call passes, as a size in memory. No
// text is longer than memory: a length that a size cannot hold (beyond
// 4 GiB on 32-bit processors) or a negative one ends the run with 113, as
// a record that cannot grow does.
std::size_t text_size(Length length);

}  // namespace rt
