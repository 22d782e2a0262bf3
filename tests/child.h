// Runs a program in a child process and collects what it leaves behind:
// standard output, standard error, and how it ended. The child can get a
// pseudo-terminal as its controlling terminal (standard input on it unless
// a file is given), or no controlling terminal at all.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/files.h"

namespace testing_support {

struct ChildOptions {
  std::vector<std::string> argv;
  std::string cwd;         // empty: the test's own
  bool terminal = false;   // a pseudo-terminal as controlling terminal
  std::string answer;      // typed on the terminal
  std::string stdin_file;  // empty: the terminal, or /dev/null without one
  bool stdout_closed = false;
  bool stderr_closed = false;
  std::string stdout_file;          // empty: a pipe to the test
  uid_t uid = 0;                    // nonzero: run as this user
  long long file_size_limit = -1;   // bytes; -1: as inherited
  long long stack_limit = -1;       // bytes; -1: as inherited
  long long open_files_limit = -1;  // descriptors; -1: as inherited
  bool ignore_sigint = false;       // started with interrupts ignored
  int signal = 0;                   // sent after signal_delay_us
  long signal_delay_us = 0;
  // The delay counts from the start, or from the first bytes on standard
  // output (1) or standard error (2).
  int signal_clock = 0;
  bool close_stdout_reader = false;  // the reader of standard output goes at once
  int timeout_ms = 20000;
};

struct ChildResult {
  std::string out;
  std::string err;
  bool exited = false;
  int code = -1;   // exit status when exited
  int signal = 0;  // terminating signal otherwise
  bool timed_out = false;
  bool signal_sent = false;  // the options' signal went to the child
};

// Runs argv (under the emulator when the tests run under one).
ChildResult run_child(const ChildOptions& options);

// The emulator's command words when the tests run emulated, else none.
std::vector<std::string> emulator();
// Whether the program runs under Wine: it then has no console that a test
// can type into through a pseudo-terminal while its output goes to pipes.
bool under_wine();

// Whether the run ended as abort ends a process: by SIGABRT, or for a
// Windows program with status 3.
inline bool aborted(const ChildResult& r) {
  return r.signal == SIGABRT || (under_wine() && r.exited && r.code == 3);
}

}  // namespace testing_support
