#include "runtime/records/record.h"

#include <cstdlib>
#include <utility>

#include "runtime/records/errors.h"

namespace rt {

void Record::grow(std::size_t n) {
  std::size_t want = cap ? cap : 256;
  while (want - len < n) {
    if (want > (static_cast<std::size_t>(-1) >> 2)) io_fail(kErrNoMemory, "malloc failure");
    want *= 2;
  }
  void* grown = std::realloc(data, want);
  if (grown == nullptr) io_fail(kErrNoMemory, "malloc failure");
  data = static_cast<char*>(grown);
  cap = want;
}

std::size_t text_size(Length length) {
  if (!std::in_range<std::size_t>(length)) io_fail(kErrNoMemory, "malloc failure");
  return static_cast<std::size_t>(length);
}

}  // namespace rt
