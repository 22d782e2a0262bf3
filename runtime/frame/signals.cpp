#include <signal.h>

#include <array>
#include <csignal>
#include <cstdlib>

#include "runtime/frame/frame.h"
#include "runtime/frame/message.h"

namespace rt {

namespace {

struct SignalEnding {
  int number;
  const char* message;
  int abort_flag;  // set: abnormal end through abort; clear: exit(1)
};

constexpr std::array<SignalEnding, 4> kEndings = {{
    {SIGFPE, "Floating Exception", 1},
    {SIGABRT, "IOT Trap", 1},
    {SIGINT, "Interrupt", 0},
    {SIGTERM, "Killed", 0},
}};

void on_signal(int number) {
  for (const SignalEnding& e : kEndings) {
    if (e.number == number) sig_die(e.message, e.abort_flag);
  }
}

}  // namespace

void block_endings() {
  sigset_t set;
  sigemptyset(&set);
  for (const SignalEnding& e : kEndings) sigaddset(&set, e.number);
  sigprocmask(SIG_BLOCK, &set, nullptr);
}

void f_setsig() {
  for (const SignalEnding& e : kEndings) {
    auto previous = std::signal(e.number, on_signal);
    // A run started with interrupts ignored keeps ignoring them.
    if (e.number == SIGINT && previous == SIG_IGN) std::signal(SIGINT, SIG_IGN);
  }
  // A write beyond the file size limit then fails with EFBIG and takes the
  // report, with the file cut back to whole records, instead of killing the
  // process silently in the middle of a record.
  std::signal(SIGXFSZ, SIG_IGN);
}

void sig_die(const char* message, int abort_flag) {
  block_endings();
  Message line;
  line << message << '\n';
  line.send();
  if (abort_flag == 0) end_process(1);
  f_exit();
  std::signal(SIGABRT, SIG_DFL);
  std::abort();
}

}  // namespace rt
