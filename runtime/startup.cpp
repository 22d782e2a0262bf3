#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cfenv>
#include <cstdlib>

#include "runtime/errors.h"
#include "runtime/frame.h"
#include "runtime/host_call.h"
#include "runtime/state.h"

namespace rt {

int run_program(int argc, char** argv, void (*program)()) {
  // IEEE double, rounding to nearest, every exception masked.
  std::fesetenv(FE_DFL_ENV);
  f_setarg(argc, argv);
  f_setsig();
  f_init();
  std::atexit(f_exit);
  program();
  end_process(0);
}

void f_setarg(int argc, char** argv) {
  run.argc = argc;
  run.argv = argv;
}

namespace {

// A standard descriptor that the process was started without is taken by
// /dev/null opened the other way round: transfers on it still fail (with
// EBADF), and no file that the program opens can land on it and receive
// the records of a standard unit.
void reserve_standard(int fd, int flags) {
  if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) return;
  int got = host_open("/dev/null", flags);
  if (got >= 0 && got != fd) {
    ::dup2(got, fd);
    host_close(got);
  }
}

}  // namespace

void f_init() {
  if (run.mark == RunMark::InProgress) f__fatal(kErrRecursion, "I/O recursion");
  if (run.mark == RunMark::Uninitialised) {
    reserve_standard(STDIN_FILENO, O_WRONLY);
    reserve_standard(STDOUT_FILENO, O_RDONLY);
    reserve_standard(STDERR_FILENO, O_RDONLY);
    unit_connect_standard(0, STDERR_FILENO, false);
    unit_connect_standard(5, STDIN_FILENO, true);
    unit_connect_standard(6, STDOUT_FILENO, false);
  }
  run.mark = RunMark::Ready;
}

}  // namespace rt
