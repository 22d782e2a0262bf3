// The frame's endings, each in a child process: what reaches standard
// output and standard error, and how the process ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/child.h"
#include "tests/loop_records.h"
#include "tests/signal_endings.h"

namespace {

using namespace testing_support;

constexpr const char* kStrace = "/usr/bin/strace";

const std::string kPrompt =
    "PAUSE  statement executed\n"
    "To resume execution, type go.  Other input will terminate the job.\n";

ChildResult run_driver(std::vector<std::string> args, ChildOptions o = {}) {
  o.argv = {FRAME_DRIVER};
  o.argv.insert(o.argv.end(), args.begin(), args.end());
  return run_child(o);
}

TEST(Stop, EmptyTextIsSilent) {
  ChildResult r = run_driver({"stop"});
  EXPECT_EQ(r.out, " before\n");
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.code, 0);
}

TEST(Stop, TextIsReported) {
  ChildResult r = run_driver({"stop", "done"});
  EXPECT_EQ(r.err, "STOP done statement executed\n");
  EXPECT_EQ(r.code, 0);
}

TEST(Stop, ReturnOfTheMainProgramEndsWithZero) {
  ChildResult r = run_driver({"return"});
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.code, 0);
}

TEST(Pause, GoResumes) {
  ChildOptions o;
  o.terminal = true;
  o.answer = "go\n";
  ChildResult r = run_driver({"pause"}, o);
  EXPECT_EQ(r.out, " before\n after\n");
  EXPECT_EQ(r.err, kPrompt + "Execution resumes after PAUSE.\n");
  EXPECT_EQ(r.code, 0);
}

TEST(Pause, AnyOtherAnswerStops) {
  for (std::string answer : {"Go\n", "GO\n", "go \n", "gox\n", " go\n", "\n", "\x04"}) {
    ChildOptions o;
    o.terminal = true;
    o.answer = answer;
    ChildResult r = run_driver({"pause"}, o);
    EXPECT_EQ(r.out, " before\n") << answer;
    EXPECT_EQ(r.err, kPrompt + "STOP\n") << answer;
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.code, 0) << answer;
  }
}

TEST(Pause, TextGetsTwoBlanks) {
  ChildOptions o;
  o.terminal = true;
  o.answer = "go\n";
  ChildResult r = run_driver({"pause", "x"}, o);
  EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), "PAUSE  x statement executed\n");
}

TEST(Pause, AnswerComesFromTheTerminalWhenInputIsAFile) {
  TempDir dir;
  write_file(dir.file("answer"), "go\n");
  ChildOptions o;
  o.terminal = true;
  o.stdin_file = dir.file("answer");
  o.answer = "no\n";  // typed on the terminal; the file's "go" is not read
  ChildResult r = run_driver({"pause"}, o);
  EXPECT_EQ(r.err, kPrompt + "STOP\n");
  o.answer = "go\n";
  write_file(dir.file("answer"), "no\n");
  r = run_driver({"pause"}, o);
  EXPECT_EQ(r.err, kPrompt + "Execution resumes after PAUSE.\n");
}

TEST(Pause, NoConsoleDevice) {
  ChildResult r = run_driver({"pause"});
  EXPECT_EQ(r.out, " before\n");
  EXPECT_EQ(r.err, "PAUSE  statement executed\ns_paus: can't open con!\n");
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.code, 1);
}

struct FatalCase {
  std::vector<std::string> args;
  std::string err;
};

TEST(Fatal, ErrorNumbers) {
  const std::string where =
      "apparent state: internal I/O\nlately writing direct formatted external IO\n";
  std::vector<FatalCase> cases = {
      {{"fatal", "133", "open"}, "open: illegal error number 133\n" + where},
      {{"fatal", "-2", "open"}, "open: illegal error number -2\n" + where},
      {{"fatal", "-1", "open"}, "open: end of file\n" + where},
      {{"fatal", "2", "open"}, "open: No such file or directory\n" + where},
      {{"fatal", "100", "startio"}, "startio: error in format\n" + where},
      {{"fatal", "114", "x"}, "x: unit not connected\n" + where},
      {{"fatal", "132", "x"}, "x: Temporary file name (TMPDIR?) too long\n" + where},
      {{"fatal", "133", "open", "again"},
       "open: illegal error number 133\n(f__fatal already called, aborting.)IOT Trap\n"},
  };
  // The ends of the host's range, with the C library's texts (Linux's here).
  if (!under_wine()) {
    cases.push_back({{"fatal", "0", "x"}, "x: Success\n" + where});
    cases.push_back({{"fatal", "99", "x"}, "x: Cannot assign requested address\n" + where});
  }
  for (const FatalCase& c : cases) {
    ChildResult r = run_driver(c.args);
    const std::string row = c.args[1] + " " + c.args[2];
    EXPECT_EQ(r.err, c.err) << row;
    EXPECT_TRUE(aborted(r)) << row << ": exit " << r.code << ", signal " << r.signal;
  }
}

TEST(Signals, IntegerDivisionByZeroIsAFloatingException) {
#if !defined(__x86_64__) && !defined(__i386__)
  GTEST_SKIP() << "integer division by zero does not trap on this processor";
#endif
  ChildResult r = run_driver({"divide"});
  EXPECT_EQ(r.out, " before\n");  // the records written so far are not lost
  EXPECT_EQ(r.err, "Floating Exception\n");
  EXPECT_EQ(r.signal, SIGABRT);
}

TEST(Signals, EachEndingClosesTheFileAfterAWholeRecord) {
  for (const SignalEnding& c : kSignalEndings) {
    TempDir dir;
    // An earlier, longer file: what lies beyond the last record goes.
    write_file(dir.file("f"), std::string(1 << 20, 'x'));
    ChildOptions o;
    o.signal = c.number;
    o.signal_clock = 1;  // once the loop is writing: the handlers are in place
    o.signal_delay_us = 20000;
    ChildResult r = run_driver({"loop", dir.file("f")}, o);
    EXPECT_FALSE(r.timed_out) << c.name;
    EXPECT_EQ(r.err, c.message) << c.name;
    EXPECT_TRUE(status_of_ending(r, c)) << c.name << ": exit " << r.code << ", signal " << r.signal;
    std::string file = read_file(dir.file("f"));
    EXPECT_FALSE(file.empty()) << c.name;
    EXPECT_TRUE(whole_loop_records(file)) << c.name << ": " << file.substr(0, 200);
    EXPECT_TRUE(r.out.empty() || r.out.back() == '\n') << c.name;
  }
}

// An interrupt that arrives while records are being written, at twenty
// moments: the run ends with its message and status 1, the file after a
// whole record and standard output after a whole line. (On Windows the
// interrupt's handler runs on a thread of its own, beside the writing.)
TEST(Signals, InterruptWhileRecordsAreWritten) {
  for (long delay_us = 0; delay_us < 40000; delay_us += 2000) {
    TempDir dir;
    ChildOptions o;
    o.signal = SIGINT;
    o.signal_clock = 1;  // once the loop is writing
    o.signal_delay_us = delay_us;
    ChildResult r = run_driver({"loop", dir.file("f")}, o);
    EXPECT_FALSE(r.timed_out) << delay_us;
    EXPECT_EQ(r.err, "Interrupt\n") << delay_us;
    EXPECT_TRUE(r.exited && r.code == 1)
        << delay_us << ": exit " << r.code << ", signal " << r.signal;
    EXPECT_TRUE(whole_loop_records(read_file(dir.file("f")))) << delay_us;
    EXPECT_TRUE(r.out.empty() || r.out.back() == '\n') << delay_us;
  }
}

TEST(Signals, InterruptIgnoredAtStartStaysIgnored) {
  TempDir dir;
  ChildOptions o;
  o.ignore_sigint = true;
  o.signal = SIGINT;
  o.signal_clock = 1;  // once the loop is writing: past the start-up
  o.signal_delay_us = 10000;
  o.timeout_ms = 1000;  // still running then: the interrupt was ignored
  ChildResult r = run_driver({"loop", dir.file("f")}, o);
  EXPECT_TRUE(r.signal_sent) << "the loop never wrote";
  EXPECT_TRUE(r.timed_out);
  EXPECT_EQ(r.err, "");
}

// The checker of the loop's files, shown files that it must reject.
TEST(LoopRecords, OnlyWholeRecordsFromTheFirstOnPass) {
  struct Case {
    const char* what;
    std::string file;
    bool whole;
  };
  const Case cases[] = {
      {"three records", " record 1  0.5\n record 2  1.\n record 3  1.5\n", true},
      {"none yet", "", true},
      {"a record cut short", " record 1  0.5\n record 2  1.", false},
      {"part of a record, then a line end", " record 1  0.5\n rec\n", false},
      {"a foreign byte", " record 1  0.5\n record 2  1.x\n", false},
      {"a NUL byte", std::string(" record 1  0.5\n\0record 2  1.\n", 29), false},
      {"a missing record", " record 1  0.5\n record 3  1.5\n", false},
      {"not from the first", " record 2  1.\n", false},
      {"bytes after the last record", " record 1  0.5\nxx", false},
  };
  for (const Case& c : cases) EXPECT_EQ(whole_loop_records(c.file), c.whole) << c.what;
}

// The actions that start-up gives SIGINT, as strace shows them: a process
// started with interrupts ignored never has a handler for them, not even
// for an instant; any other gets one.
TEST(Signals, IgnoredInterruptIsNeverReplaced) {
  if (access(kStrace, X_OK) != 0 || !emulator().empty()) GTEST_SKIP() << "needs strace, natively";
  for (bool ignored : {true, false}) {
    TempDir dir;
    ChildOptions o;
    o.ignore_sigint = ignored;
    o.argv = {kStrace, "-qq",         "-o",         dir.file("trace"), "-e", "trace=rt_sigaction",
              "-e",    "signal=none", FRAME_DRIVER, "return"};
    ChildResult r = run_child(o);
    ASSERT_TRUE(r.exited && r.code == 0) << r.err;
    std::istringstream trace(read_file(dir.file("trace")));
    // The handler of each action set: "rt_sigaction(SIGINT, {sa_handler=H, ..."
    const std::string set = "rt_sigaction(SIGINT, {sa_handler=";
    int handlers = 0;
    for (std::string line; std::getline(trace, line);) {
      if (!line.starts_with(set)) continue;  // a query, or another signal
      std::string handler = line.substr(set.size(), line.find(',', set.size()) - set.size());
      if (handler != "SIG_IGN" && handler != "SIG_DFL") ++handlers;
    }
    EXPECT_EQ(handlers, ignored ? 0 : 1);
  }
}

}  // namespace
