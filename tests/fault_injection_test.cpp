// Every system call of a complete run, made to fail or followed by a
// signal, one at a time: the run must still end the specified way and
// leave nothing half-written.
//
// One complete run is traced with strace; then the program runs once for
// every (system call, invocation) pair of that trace, with strace
// injecting the fault there: a signal into every call, an error into
// every call that the program itself makes (from its first signal action
// on; the C library's start-up before it is not the program's). The
// injection must show in the run's own trace. After each run:
//   - standard output is a whole-line prefix of the complete run's;
//   - the exchange file is a whole-record prefix of the complete run's, or
//     the file that was there before, untouched;
//   - SIGKILL ends the run, and before the file's last write leaves fewer
//     records than a complete run;
//   - another signal ends the run with its message and ending (or, before
//     the handlers are installed, the host's default ending, with nothing
//     written); only once the run has held its endings back (its last
//     signal mask) may it complete instead;
//   - an error in a transfer (a read or a write) ends the run with a
//     report and a status other than 0; elsewhere it does that or changes
//     nothing that the run leaves (a complete run);
//   - an interruption (EINTR) changes nothing: the run completes;
//   - nothing hangs.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/child.h"
#include "tests/program_run.h"
#include "tests/signal_endings.h"

namespace {

using namespace testing_support;

constexpr const char* kStrace = "/usr/bin/strace";

// The answer typed at the pause, and what standard error shows then.
const std::string kAnswer = "go\n";
const std::string kCompleteErr =
    "PAUSE  statement executed\n"
    "To resume execution, type go.  Other input will terminate the job.\n"
    "Execution resumes after PAUSE.\n";

// The run-time's four signal endings, and SIGKILL, which no handler sees.
const std::vector<SignalEnding> kSignals = [] {
  std::vector<SignalEnding> all(std::begin(kSignalEndings), std::end(kSignalEndings));
  all.push_back({"SIGKILL", SIGKILL, nullptr, false});
  return all;
}();

// The errors that a call gets: every call these three, and a call that
// writes or cuts a file also the file size limit's.
std::vector<std::string> errors_for(const std::string& call) {
  std::vector<std::string> errors = {"EIO", "ENOSPC", "EINTR"};
  if (call.find("write") != std::string::npos || call.find("truncate") != std::string::npos)
    errors.push_back("EFBIG");
  return errors;
}

// A system call of the trace: its name and its first argument.
struct Call {
  std::string name;
  std::string first;  // e.g. the descriptor of a write
};

// Whether an error in the call loses the run's data unless it is
// reported: a transfer at a position (the exchange file), a cut, or a
// write to standard output. (The dialogue on standard error cannot report
// its own failure there, and a failed read of the pause's answer is an
// answer other than "go".)
bool is_transfer(const Call& call) {
  for (const char* part : {"pread", "pwrite", "truncate"}) {
    if (call.name.find(part) != std::string::npos) return true;
  }
  return call.name == "write" && call.first == "1";
}

bool is_prefix(const std::string& part, const std::string& whole) {
  return whole.compare(0, part.size(), part) == 0;
}

bool whole_line_prefix(const std::string& part, const std::string& whole) {
  return is_prefix(part, whole) && (part.empty() || part.back() == '\n');
}

bool ends_with(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A directory for one run: empty, or holding an older, longer exchange file.
struct Scene {
  const char* name;
  std::string old_file;  // empty: no file before the run
};

std::string older_file() {
  std::string text;
  for (int k = 1; k <= 150; ++k) text += "older content, line " + std::to_string(k) + "\n";
  return text;
}

ChildResult run_traced(const TempDir& dir, const Scene& scene,
                       const std::vector<std::string>& strace_args) {
  std::filesystem::remove(dir.file(kExchangeFile));
  if (!scene.old_file.empty()) write_file(dir.file(kExchangeFile), scene.old_file);
  ChildOptions o;
  o.argv = {kStrace, "-qq"};
  o.argv.insert(o.argv.end(), strace_args.begin(), strace_args.end());
  o.argv.push_back(MELD_PROGRAM);
  o.terminal = true;
  o.answer = kAnswer;
  o.timeout_ms = 10000;
  return run_program_in(dir, o);
}

// The system calls of a complete run, in order, without the exec that
// starts it and the exit that ends it.
std::vector<Call> trace_calls(const TempDir& dir, const Scene& scene) {
  TempDir traces;
  const std::string trace = traces.file("trace");
  ChildResult r = run_traced(dir, scene, {"-o", trace});
  EXPECT_TRUE(r.exited && r.code == 0) << scene.name << ": " << r.err;
  std::istringstream in(read_file(trace));
  std::vector<Call> calls;
  for (std::string line; std::getline(in, line);) {
    std::size_t paren = line.find('(');
    if (paren == std::string::npos || line.rfind("---", 0) == 0 || line.rfind("+++", 0) == 0)
      continue;
    std::string name = line.substr(0, paren);
    if (name == "execve" || name == "exit_group") continue;
    std::size_t end = line.find_first_of(",)", paren);
    calls.push_back({name, line.substr(paren + 1, end - paren - 1)});
  }
  return calls;
}

struct Verdict {
  int cases = 0;
  std::vector<std::string> unsound;
};

// One fault injected into a run: a signal delivered as a call returns, or
// an error that the call returns.
struct Fault {
  std::string what;                      // e.g. "SIGINT at write #3"
  const SignalEnding* signal = nullptr;  // null: an error
  std::string error;                     // e.g. "EIO"
  Call call;                             // e.g. write to descriptor 1
  bool before_last_file_write = false;   // the complete run writes the file later
  bool after_hold = false;               // the complete run has held its endings
};

// Runs the program with `fault` injected at the given call; `injected`
// tells whether the run's trace shows it.
ChildResult run_injected(const TempDir& dir, const Scene& scene, const Fault& fault,
                         const std::string& when, bool& injected) {
  TempDir traces;
  const std::string trace = traces.file("trace");
  const std::string action =
      fault.signal ? std::string("signal=") + fault.signal->name : "error=" + fault.error;
  const std::string& name = fault.call.name;
  ChildResult r = run_traced(dir, scene,
                             {"-o", trace, "-e", "trace=" + name, "-e",
                              "inject=" + name + ":" + action + ":when=" + when});
  const std::string lines = read_file(trace);
  injected =
      fault.signal
          ? lines.find(std::string("--- ") + fault.signal->name + " ") != std::string::npos ||
                lines.find(std::string("+++ killed by ") + fault.signal->name) != std::string::npos
          : lines.find("(INJECTED)") != std::string::npos;
  return r;
}

// Judges one run: the common checks, then the ending that `fault` allows.
void judge(Verdict& v, const Fault& fault, const Scene& scene, const TempDir& dir,
           const ChildResult& r, bool injected) {
  ++v.cases;
  const SignalEnding* signal = fault.signal;
  const std::string console = golden("console.txt");
  const std::string exchange = golden("exchange.txt");
  const bool file_there = std::filesystem::exists(dir.file(kExchangeFile));
  const std::string file = file_there ? read_file(dir.file(kExchangeFile)) : "";
  std::vector<std::string> faults;
  // A signal that arrives while the endings are held is never delivered.
  if (!injected && !(signal != nullptr && fault.after_hold)) faults.push_back("nothing injected");
  if (r.timed_out) faults.push_back("hung");
  if (!whole_line_prefix(r.out, console))
    faults.push_back("standard output not a whole-line prefix");
  const bool old_untouched = scene.old_file.empty() ? !file_there : file == scene.old_file;
  if (!old_untouched && !whole_line_prefix(file, exchange))
    faults.push_back("exchange file neither untouched nor whole records: [" + file + "]");
  const bool complete =
      r.exited && r.code == 0 && r.out == console && file == exchange && r.err == kCompleteErr;
  if (signal != nullptr) {
    bool handled = false;
    if (signal->message != nullptr && ends_with(r.err, signal->message)) {
      std::string before = r.err.substr(0, r.err.size() - std::string(signal->message).size());
      handled = is_prefix(before, kCompleteErr) && status_of_ending(r, *signal);
    }
    if (signal->message == nullptr) {
      if (r.signal != SIGKILL) faults.push_back("not killed");
      if (fault.before_last_file_write && file == exchange)
        faults.push_back("killed before the last write, yet every record there");
    } else {
      // Before the handlers are installed: the host's ending, nothing written.
      const bool early =
          r.signal == signal->number && r.out.empty() && r.err.empty() && old_untouched;
      if (!handled && !early && !(complete && fault.after_hold))
        faults.push_back("wrong ending for the signal");
    }
  } else if (fault.error == "EINTR") {
    if (!complete) faults.push_back("an interruption changed the run");
  } else {
    const bool reported = !r.err.empty() && !(r.exited && r.code == 0);
    // Status 0 only with everything the run leaves complete.
    const bool whole = r.exited && r.code == 0 && r.out == console && file == exchange;
    if (is_transfer(fault.call) && !reported) {
      faults.push_back("error in a transfer not reported");
    } else if (!reported && !whole) {
      faults.push_back("error neither reported nor harmless");
    }
  }
  if (!faults.empty()) {
    std::string line = std::string(scene.name) + ", " + fault.what + ":";
    for (const std::string& f : faults) line += " " + f + ";";
    line += " status " + std::to_string(r.exited ? r.code : -r.signal) + ", stderr [" + r.err + "]";
    v.unsound.push_back(line);
  }
}

TEST(FaultInjection, EveryCallOfACompleteRun) {
  if (access(kStrace, X_OK) != 0) {
    if (std::getenv("CI") != nullptr) FAIL() << "strace is missing; .ci/run installs it";
    GTEST_SKIP() << "needs strace";
  }
  // A sanitizer's run-time makes system calls of its own, and handles
  // signals and failures its own way: the program alone is tried. Under an
  // emulator, strace would trace the emulator.
  if (std::getenv("MELD_QUICK") != nullptr) GTEST_SKIP() << "the plain build is tried";
  if (!emulator().empty()) GTEST_SKIP() << "strace cannot trace an emulated program";

  const Scene scenes[] = {{"fresh directory", ""}, {"older longer file", older_file()}};
  Verdict v;
  for (const Scene& scene : scenes) {
    TempDir dir;
    const std::vector<Call> calls = trace_calls(dir, scene);
    ASSERT_GT(calls.size(), 20u) << scene.name;
    // Landmarks of the complete run: its first signal action (the
    // program's own calls begin there), its last signal mask (the endings
    // held) and its last positional write (the file's last records).
    std::size_t own = calls.size(), hold = calls.size(), last_file_write = 0;
    for (std::size_t k = 0; k < calls.size(); ++k) {
      if (calls[k].name == "rt_sigaction" && own == calls.size()) own = k;
      if (calls[k].name == "rt_sigprocmask") hold = k;
      if (calls[k].name == "pwrite64") last_file_write = k;
    }
    ASSERT_LT(own, calls.size()) << scene.name;
    ASSERT_GT(last_file_write, own) << scene.name;
    std::map<std::string, int> seen;
    for (std::size_t k = 0; k < calls.size(); ++k) {
      const Call& call = calls[k];
      const std::string when = std::to_string(++seen[call.name]);
      const std::string at = call.name + " #" + when;
      Fault fault;
      fault.call = call;
      fault.before_last_file_write = k < last_file_write;
      fault.after_hold = k >= hold;
      for (const SignalEnding& s : kSignals) {
        fault.what = std::string(s.name) + " at " + at;
        fault.signal = &s;
        bool injected = false;
        ChildResult r = run_injected(dir, scene, fault, when, injected);
        judge(v, fault, scene, dir, r, injected);
      }
      if (k < own) continue;
      fault.signal = nullptr;
      for (const std::string& e : errors_for(call.name)) {
        fault.what = e + " from " + at;
        fault.error = e;
        bool injected = false;
        ChildResult r = run_injected(dir, scene, fault, when, injected);
        judge(v, fault, scene, dir, r, injected);
      }
    }
  }
  std::cout << "fault injection: " << v.cases << " cases, " << v.unsound.size() << " unsound\n";
  RecordProperty("cases", v.cases);
  for (const std::string& u : v.unsound) ADD_FAILURE() << u;
}

// The report of a failing close names the unit being closed.
TEST(FaultInjection, FailedCloseNamesTheExchangeFile) {
  if (access(kStrace, X_OK) != 0 || std::getenv("MELD_QUICK") != nullptr || !emulator().empty())
    GTEST_SKIP();
  TempDir dir;
  Scene scene{"older longer file", older_file()};  // one close: the exchange file's
  ChildResult r =
      run_traced(dir, scene, {"-o", "/dev/null", "-e", "inject=close:error=EIO:when=1"});
  EXPECT_EQ(r.err,
            "close: Input/output error\n"
            "apparent state: unit 25 named Meld-System666.txt\n"
            "last format: list io\n"
            "lately writing sequential formatted external IO\n");
  EXPECT_EQ(r.signal, SIGABRT);
  EXPECT_EQ(read_file(dir.file(kExchangeFile)), golden("exchange.txt"));
}

}  // namespace
