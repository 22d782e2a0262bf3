#include <signal.h>

#include <array>
#include <cstdlib>

#include "runtime/frame/frame.h"
#include "runtime/frame/message.h"

namespace rt {

namespace {

struct SignalEnding {
  int number;
  const char* message;
  int abort_flag;     // set: abnormal end through abort; clear: exit(1)
  bool keep_ignored;  // a process started with it ignored keeps ignoring it
};

constexpr std::array<SignalEnding, 4> kEndings = {{
    {SIGFPE, "Floating Exception", 1, false},
    {SIGABRT, "IOT Trap", 1, false},
    {SIGINT, "Interrupt", 0, true},
    {SIGTERM, "Killed", 0, false},
}};

void on_signal(int number) {
  for (const SignalEnding& e : kEndings) {
    if (e.number == number) sig_die(e.message, e.abort_flag);
  }
}

sigset_t ending_set() {
  sigset_t set;
  sigemptyset(&set);
  for (const SignalEnding& e : kEndings) sigaddset(&set, e.number);
  return set;
}

// Sets the action of `number`. With `keep_ignored`, the inherited action
// is read first and an ignored signal is left alone: replacing it even
// for an instant would let a signal in between end the run. A handler
// runs with the other endings blocked, so that one ending runs at a time.
void install(int number, void (*action)(int), bool keep_ignored = false) {
  struct sigaction now {};
  if (keep_ignored && ::sigaction(number, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) return;
  now.sa_handler = action;
  now.sa_mask = ending_set();
  now.sa_flags = SA_RESTART;
  ::sigaction(number, &now, nullptr);
}

}  // namespace

void block_endings() {
  sigset_t set = ending_set();
  ::sigprocmask(SIG_BLOCK, &set, nullptr);
}

void f_setsig() {
  for (const SignalEnding& e : kEndings) install(e.number, on_signal, e.keep_ignored);
  // A write beyond the file size limit then fails with EFBIG and takes the
  // report, with the file cut back to whole records, instead of killing the
  // process silently in the middle of a record.
  install(SIGXFSZ, SIG_IGN);
}

void sig_die(const char* message, int abort_flag) {
  block_endings();
  Message line;
  line << message << '\n';
  line.send();
  if (abort_flag == 0) end_process(1);
  f_exit();
  install(SIGABRT, SIG_DFL);
  std::abort();
}

}  // namespace rt
