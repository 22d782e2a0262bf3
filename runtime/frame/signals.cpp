#include <signal.h>

#include <array>

#include "runtime/frame/frame.h"
#include "runtime/frame/message.h"
#include "runtime/host/host.h"

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
  host::hold_endings();
}

// A run started with interrupts ignored keeps ignoring them.
void f_setsig() {
  host::on_endings(on_signal);
}

void sig_die(const char* message, int abort_flag) {
  block_endings();
  Message line;
  line << message << '\n';
  line.send();
  if (abort_flag == 0) end_process(1);
  f_exit();
  host::abort_now();
}

}  // namespace rt
