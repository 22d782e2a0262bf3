// The run-time frame: start-up, the standard units, the signal handlers,
// the exit hook, STOP, PAUSE and the fatal I/O error report.
#pragma once

#include "runtime/records/types.h"

namespace rt {

// Start-up, in order: keep the arguments, install the handlers, initialise
// the units, register the exit hook, run `program`, then end with status 0.
[[noreturn]] int run_program(int argc, char** argv, void (*program)());

void f_setarg(int argc, char** argv);
// Word k of the command line (0: the program), or "" beyond its end.
const char* program_argument(int k);
void f_setsig();
// Installs the fatal report as the record layer's and connects units 0, 5
// and 6; a record operation in progress makes it the fatal report 131.
void f_init();
// The exit hook: closes units 0 to 99 once per process.
void f_exit();

[[noreturn]] void s_stop(const char* text, Length n);
int s_paus(const char* text, Length n);

[[noreturn]] void f__fatal(int number, const char* context);
// Makes the next report a second one, as if a report were under way (for
// the tests of that path, which no run reaches otherwise).
void fatal_report_mark_started();
[[noreturn]] void sig_die(const char* message, int abort_flag);

// Runs the exit hook and ends the process with `status` (made nonzero
// when the last records of standard output could not be written).
[[noreturn]] void end_process(int status);

// Blocks the four ending signals, so that one ending runs at a time.
void block_endings();

}  // namespace rt
