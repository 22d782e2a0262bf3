// What the fuzz targets share: the input as the content of a file that a
// unit is opened on (a memory file reached by its path), and statements
// with error and end-of-file branches, so that every rejection comes back
// as its error number instead of ending the process.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "runtime/records/statements.h"

namespace fuzzing {

constexpr rt::Integer kUnit = 10;

// Every statement comes back with its failure's number.
constexpr rt::Branches kBranches{.err = true, .end = true};

// Opens kUnit on a file holding exactly the given bytes.
inline void open_on(const std::uint8_t* data, std::size_t size) {
  static int fd = memfd_create("fuzz-input", 0);
  if (ftruncate(fd, 0) != 0) std::abort();
  if (size != 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (rt::open_file(kUnit, path, "old", kBranches) != 0) std::abort();
}

inline void close_unit() {
  rt::close_unit(kUnit, nullptr, kBranches);
}

// A rejection that is not in the layer's failure table.
[[noreturn]] inline void unexpected(int status) {
  char msg[64];
  int n = snprintf(msg, sizeof msg, "unexpected status %d\n", status);
  if (write(2, msg, static_cast<std::size_t>(n)) < 0) std::abort();
  std::abort();
}

}  // namespace fuzzing
