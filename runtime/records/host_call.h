// The host's file calls as the layer uses them: a call that an arriving
// signal interrupts (a FIFO, a network or user-space file system) is made
// again, and a close that is interrupted counts as done.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

namespace rt {

// Calls `call` until it returns anything but an interruption (-1, EINTR).
template <class Call>
inline auto retry_interrupted(Call call) {
  for (;;) {
    auto result = call();
    if (result >= 0 || errno != EINTR) return result;
  }
}

inline int host_open(const char* path, int flags, mode_t mode = 0) {
  return retry_interrupted([&] { return ::open(path, flags, mode); });
}

// On Linux the descriptor is released even when close reports EINTR;
// closing it again could close one that another open has just received.
inline int host_close(int fd) {
  if (::close(fd) == 0 || errno == EINTR) return 0;
  return -1;
}

}  // namespace rt
