// Signals at random moments: every run ends promptly with its message and
// its status or signal, and the file always ends after a whole record.
// MELD_SOAK_RUNS sets the runs per signal.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>

#include "tests/child.h"
#include "tests/loop_records.h"
#include "tests/signal_endings.h"

namespace {

using namespace testing_support;

int runs() {
  const char* s = std::getenv("MELD_SOAK_RUNS");
  return s ? std::atoi(s) : 200;
}

TEST(Soak, LoopOfRecordsKilledAtRandomMoments) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<long> delay(0, 3000);
  for (const SignalEnding& e : kSignalEndings) {
    int failures = 0;
    for (int k = 0; k < runs(); ++k) {
      TempDir dir;
      ChildOptions o;
      o.argv = {FRAME_DRIVER, "loop", dir.file("f")};
      o.signal = e.number;
      o.signal_clock = 1;  // the handlers are installed by then
      o.signal_delay_us = delay(rng);
      o.timeout_ms = 5000;
      ChildResult r = run_child(o);
      bool ok = ended_as(r, e) && whole_loop_records(read_file(dir.file("f"))) &&
                (r.out.empty() || r.out.back() == '\n');
      if (!ok && ++failures <= 3) {
        ADD_FAILURE() << "signal " << e.number << " run " << k << ": err=" << r.err
                      << " code=" << r.code << " sig=" << r.signal;
      }
    }
    EXPECT_EQ(failures, 0) << "signal " << e.number;
  }
}

TEST(Soak, ProgramKilledAtRandomMoments) {
  const std::string golden = read_file(std::string(GOLDEN_DIR) + "/exchange.txt");
  // The offsets span twice the time a run takes to reach its pause, so
  // that they fall in start-up, in the run and at the pause alike, however
  // fast this machine is today.
  TempDir probe;
  ChildOptions timing;
  timing.argv = {MELD_PROGRAM};
  timing.cwd = probe.path();
  auto t0 = std::chrono::steady_clock::now();
  run_child(timing);
  long run_us = static_cast<long>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0)
          .count());
  std::mt19937 rng(12);
  std::uniform_int_distribution<long> delay(0, 2 * run_us);
  for (const SignalEnding& e : kSignalEndings) {
    int failures = 0;
    int handled = 0;
    for (int k = 0; k < runs(); ++k) {
      TempDir dir;
      ChildOptions o;
      o.argv = {MELD_PROGRAM};
      o.cwd = dir.path();
      o.terminal = true;  // no answer: the pause waits for the signal
      o.signal = e.number;
      o.signal_delay_us = delay(rng);
      o.timeout_ms = 5000;
      // Every other run counts from the pause prompt, when the handlers
      // are surely in place.
      const bool after_prompt = k % 2 == 1;
      if (after_prompt) {
        o.signal_clock = 2;
        o.signal_delay_us /= 4;
      }
      ChildResult r = run_child(o);
      std::string file = read_file(dir.file("Meld-System666.txt"));
      // Before the frame has installed its handlers the host's default
      // action ends the process, silently. An emulator that gets the
      // signal while it is still starting may end by a signal of its own.
      bool before_start =
          !after_prompt && r.err.empty() &&
          (r.signal == e.number || (!emulator().empty() && r.signal != 0 && file.empty()));
      handled += ended_as(r, e) ? 1 : 0;
      bool ok = (ended_as(r, e) || before_start) && golden.compare(0, file.size(), file) == 0 &&
                (file.empty() || file.back() == '\n');
      if (!ok && ++failures <= 3) {
        ADD_FAILURE() << "signal " << e.number << " run " << k << ": err=" << r.err
                      << " code=" << r.code << " sig=" << r.signal << " file=" << file;
      }
    }
    EXPECT_EQ(failures, 0) << "signal " << e.number;
    EXPECT_GE(handled, runs() / 2) << "signal " << e.number;
  }
}

}  // namespace
