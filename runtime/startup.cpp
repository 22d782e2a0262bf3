#include <unistd.h>

#include <cfenv>
#include <cstdlib>

#include "runtime/errors.h"
#include "runtime/frame.h"
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

void f_init() {
  if (run.mark == RunMark::InProgress) f__fatal(kErrRecursion, "I/O recursion");
  if (run.mark == RunMark::Uninitialised) {
    unit_connect_standard(0, STDERR_FILENO, false);
    unit_connect_standard(5, STDIN_FILENO, true);
    unit_connect_standard(6, STDOUT_FILENO, false);
  }
  run.mark = RunMark::Ready;
}

}  // namespace rt
