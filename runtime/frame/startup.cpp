#include <cstdlib>

#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/records/errors.h"
#include "runtime/records/layer.h"

namespace rt {

namespace {

// The command line, kept for the program; this one takes no arguments.
constinit int arg_count = 0;
constinit char** arg_values = nullptr;

}  // namespace

int run_program(int argc, char** argv, void (*program)()) {
  // IEEE double, rounding to nearest, every exception masked.
  host::reset_floating_point();
  f_setarg(argc, argv);
  f_setsig();
  f_init();
  std::atexit(f_exit);
  program();
  end_process(0);
}

void f_setarg(int argc, char** argv) {
  arg_count = argc;
  arg_values = argv;
}

const char* program_argument(int k) {
  return k >= 0 && k < arg_count ? arg_values[k] : "";
}

void f_init() {
  if (record_operation_in_progress()) f__fatal(kErrRecursion, "I/O recursion");
  set_fatal_report(f__fatal);
  units_connect_standard();
}

}  // namespace rt
