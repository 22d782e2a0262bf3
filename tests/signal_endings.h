// The four signals that the run-time ends a run on, each with the ending a
// run shows: its message as the last line on standard error, then exit
// status 1 or an abort.
#pragma once

#include <signal.h>

#include <string_view>

#include "tests/child.h"

namespace testing_support {

struct SignalEnding {
  const char* name;  // as strace names it
  int number;
  const char* message;  // null: a signal without a handler (SIGKILL)
  bool aborts;          // ends through abort (SIGABRT), else with status 1
};

inline constexpr SignalEnding kSignalEndings[] = {
    {"SIGINT", SIGINT, "Interrupt\n", false},
    {"SIGTERM", SIGTERM, "Killed\n", false},
    {"SIGABRT", SIGABRT, "IOT Trap\n", true},
    {"SIGFPE", SIGFPE, "Floating Exception\n", true},
};

// Whether the status shows the ending's way out (not its message).
inline bool status_of_ending(const ChildResult& r, const SignalEnding& e) {
  return e.aborts ? r.signal == SIGABRT : (r.exited && r.code == 1);
}

// Whether the run ended as `e` does: in time, its message last, its status.
inline bool ended_as(const ChildResult& r, const SignalEnding& e) {
  return !r.timed_out && e.message != nullptr && std::string_view(r.err).ends_with(e.message) &&
         status_of_ending(r, e);
}

}  // namespace testing_support
