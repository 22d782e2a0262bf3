// Whatever ends a run ends it the specified way and leaves the exchange
// file ending after a whole record: full devices, file size limits,
// places that may not be written, a broken standard output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/child.h"
#include "tests/program_run.h"

namespace {

using namespace testing_support;

// The first `lines` lines of a text.
std::string first_lines(const std::string& text, int lines) {
  size_t end = 0;
  for (int k = 0; k < lines; ++k) end = text.find('\n', end) + 1;
  return text.substr(0, end);
}

bool is_whole_record_prefix(const std::string& file, const std::string& whole) {
  return whole.compare(0, file.size(), file) == 0 && (file.empty() || file.back() == '\n');
}

TEST(FailedWrites, ExchangeFileOnAFullDevice) {
  TempDir dir;
  std::filesystem::create_symlink("/dev/full", dir.file(kExchangeFile));
  ChildResult r = run_program_in(dir);
  EXPECT_EQ(r.err,
            "write: No space left on device\n"
            "apparent state: unit 25 named Meld-System666.txt\n"
            "last format: list io\n"
            "lately writing direct formatted external IO\n");
  EXPECT_EQ(r.signal, SIGABRT);
  // The console records written so far are not lost.
  EXPECT_EQ(r.out, first_lines(golden("console.txt"), 3));
}

TEST(FailedWrites, FileSizeLimitLeavesWholeRecords) {
  // 100 bytes: the first flush stops inside record 7; 200 bytes: the last
  // flush stops inside the solution records.
  for (long long limit : {100LL, 200LL}) {
    TempDir dir;
    ChildOptions o;
    o.file_size_limit = limit;
    ChildResult r = run_program_in(dir, o);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "write: File too large") << limit;
    EXPECT_EQ(r.signal, SIGABRT);
    std::string file = read_file(dir.file(kExchangeFile));
    EXPECT_TRUE(is_whole_record_prefix(file, golden("exchange.txt"))) << file;
    EXPECT_LE(file.size(), static_cast<size_t>(limit));
    EXPECT_GT(file.size(), static_cast<size_t>(limit) - 40);
  }
}

// A process may start without its standard streams. The run holds their
// descriptors, so that the exchange file never takes one of them: the
// report of a file size limit on a closed standard error goes nowhere,
// never into the file.
TEST(FailedWrites, ClosedStandardErrorNeverReachesTheExchangeFile) {
  TempDir dir;
  ChildOptions o;
  o.stderr_closed = true;
  o.file_size_limit = 100;  // the first flush fails, with the file just created
  ChildResult r = run_program_in(dir, o);
  EXPECT_EQ(r.signal, SIGABRT);
  std::string file = read_file(dir.file(kExchangeFile));
  EXPECT_TRUE(is_whole_record_prefix(file, golden("exchange.txt"))) << file;
  EXPECT_GT(file.size(), 60u);
}

// A stack limit far below the usual 8 MiB: the run is the same.
TEST(Limits, SmallStackCompletesTheRun) {
  TempDir dir;
  ChildOptions o;
  o.stack_limit = 256 * 1024;
  ChildResult r = run_program_in(dir, o);
  EXPECT_EQ(r.out, golden("console.txt"));
  EXPECT_EQ(r.err, "PAUSE  statement executed\ns_paus: can't open con!\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(read_file(dir.file(kExchangeFile)), golden("exchange.txt"));
}

TEST(FailedWrites, RecordsLargerThanTheBufferStayWhole) {
  TempDir dir;
  ChildOptions o;
  o.argv = {FRAME_DRIVER, "big", dir.file("f")};
  o.file_size_limit = 50000;  // room for the small record and two large ones
  ChildResult r = run_child(o);
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "write: File too large");
  EXPECT_EQ(r.signal, SIGABRT);
  const std::string big(20000, 'b');
  EXPECT_EQ(read_file(dir.file("f")), " small\n " + big + "\n " + big + "\n");
}

TEST(FailedWrites, DirectoryWithTheFilesName) {
  TempDir dir;
  std::filesystem::create_directory(dir.file(kExchangeFile));
  ChildResult r = run_program_in(dir);
  EXPECT_EQ(r.err, kCantWriteExchangeFile);
  EXPECT_EQ(r.signal, SIGABRT);
  EXPECT_TRUE(std::filesystem::is_directory(dir.file(kExchangeFile)));
}

TEST(FailedWrites, WorkingDirectoryThatMayNotBeWritten) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the child as another user";
  TempDir bin, dir;
  chmod(dir.path().c_str(), 0555);
  ChildOptions o;
  o.argv = {unprivileged_copy(bin)};
  o.uid = kNobody;
  ChildResult r = run_program_in(dir, o);
  EXPECT_EQ(r.out, first_lines(golden("console.txt"), 2));
  EXPECT_EQ(r.err,
            "open: Permission denied\n"
            "apparent state: unit 6 (unnamed)\n"
            "last format: list io\n"
            "lately writing direct formatted external IO\n");
  EXPECT_EQ(r.signal, SIGABRT);
  EXPECT_FALSE(std::filesystem::exists(dir.file(kExchangeFile)));
}

// Standard output that cannot take the report: the run ends at the first
// hand-over (before the pause), and the exchange file is already complete.
TEST(BrokenStandardOutput, ClosedFullOrWithoutReader) {
  struct Case {
    const char* what;
    ChildOptions o;
    std::string first_line;
    int signal;
  };
  Case cases[3] = {{"closed", {}, "write: Bad file descriptor", SIGABRT},
                   {"full", {}, "write: No space left on device", SIGABRT},
                   {"no reader", {}, "", SIGPIPE}};
  cases[0].o.stdout_closed = true;
  cases[1].o.stdout_file = "/dev/full";
  cases[2].o.close_stdout_reader = true;
  for (Case& c : cases) {
    TempDir dir;
    ChildResult r = run_program_in(dir, c.o);
    EXPECT_EQ(r.signal, c.signal) << c.what;
    if (!c.first_line.empty()) {
      EXPECT_EQ(r.err, "PAUSE  statement executed\n" + c.first_line +
                           "\napparent state: unit 6 (unnamed)\nlast format: list io\n"
                           "lately writing sequential formatted external IO\n")
          << c.what;
    }
    EXPECT_EQ(read_file(dir.file(kExchangeFile)), golden("exchange.txt")) << c.what;
  }
}

TEST(BrokenStandardOutput, FailedFinalFlushMakesTheStatusNonZero) {
  ChildOptions o;
  o.argv = {FRAME_DRIVER, "stop"};
  o.stdout_file = "/dev/full";
  ChildResult r = run_child(o);
  EXPECT_EQ(r.err, "write: No space left on device\n");
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.code, 1);
}

// Two runs started together in one directory take their turns on the
// exchange file: both complete, and the file ends with its 17 records.
TEST(TwoRunsAtOnce, BothComplete) {
  const std::string incomplete_end = "PAUSE  statement executed\ns_paus: can't open con!\n";
  TempDir dir;
  int failures = 0;
  for (int round = 0; round < 400; ++round) {
    ChildResult r[2];
    std::thread other([&] { r[1] = run_program_in(dir); });
    r[0] = run_program_in(dir);
    other.join();
    for (const ChildResult& one : r) {
      bool ok = one.out == golden("console.txt") && one.err == incomplete_end && one.code == 1;
      if (!ok && ++failures <= 3) ADD_FAILURE() << "round " << round << ": " << one.err;
    }
    ASSERT_EQ(read_file(dir.file(kExchangeFile)), golden("exchange.txt")) << "round " << round;
  }
  EXPECT_EQ(failures, 0);
}

// Waits until a process other than this one has `path` open (the run,
// or its emulator, at its OPEN); false after `limit`.
bool opened_elsewhere(const std::string& path, std::chrono::milliseconds limit) {
  const std::filesystem::path want = std::filesystem::canonical(path);
  const std::string self = std::to_string(getpid());
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    std::error_code ec;
    for (const auto& process : std::filesystem::directory_iterator("/proc", ec)) {
      const std::string pid = process.path().filename();
      if (pid == self || pid.find_first_not_of("0123456789") != std::string::npos) continue;
      std::error_code gone;  // a process may end while it is looked at
      for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", gone)) {
        if (std::filesystem::read_symlink(fd.path(), gone) == want) return true;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// A file that another process holds: the run waits for it and goes on
// once it is released; when it is not released within five seconds, the
// run ends with a report and leaves the file untouched.
TEST(TwoRunsAtOnce, HeldFileIsWaitedForThenReported) {
  for (bool released : {true, false}) {
    TempDir dir;
    const std::string path = dir.file(kExchangeFile);
    write_file(path, "held\n");
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    bool seen = false;
    // Released only once the run has opened the file and so meets the
    // lock, however long the run takes to get there.
    std::thread release([&] {
      if (!released) return;
      seen = opened_elsewhere(path, std::chrono::seconds(20));
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      close(fd);
    });
    ChildResult r = run_program_in(dir);
    release.join();
    if (!released) close(fd);
    std::string file = read_file(path);
    if (released) {
      EXPECT_TRUE(seen) << "the run never opened the file";
      EXPECT_EQ(r.out, golden("console.txt"));
      EXPECT_EQ(r.code, 1);  // at the pause, without a terminal
      EXPECT_EQ(file, golden("exchange.txt"));
    } else {
      EXPECT_EQ(r.err,
                "open (held by another process): Resource temporarily unavailable\n"
                "apparent state: unit 6 (unnamed)\n"
                "last format: list io\n"
                "lately writing direct formatted external IO\n");
      EXPECT_EQ(r.signal, SIGABRT);
      EXPECT_EQ(file, "held\n");
    }
  }
}

// No descriptor left for the lock (the file itself was opened): the report
// names the open's failure, not a process that holds the file.
TEST(TwoRunsAtOnce, NoDescriptorForTheLockIsReportedAsAnOpenFailure) {
  if (!emulator().empty() || std::getenv("MELD_QUICK") != nullptr)
    GTEST_SKIP() << "an emulator or a sanitizer's run-time needs descriptors of its own";
  TempDir dir;
  ChildOptions o;
  o.open_files_limit = 4;  // the standard streams and the file
  ChildResult r = run_program_in(dir, o);
  EXPECT_EQ(r.err,
            "open: Too many open files\n"
            "apparent state: unit 6 (unnamed)\n"
            "last format: list io\n"
            "lately writing direct formatted external IO\n");
  EXPECT_EQ(r.signal, SIGABRT);
}

}  // namespace
