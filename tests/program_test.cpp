// Complete runs of the program, compared byte for byte with the golden
// console report, exchange file and standard-error dialogue.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/child.h"
#include "tests/program_run.h"

namespace {

using namespace testing_support;

// Complete runs: the same report and exchange file whatever the pause is
// answered, with or without a terminal, with or without arguments.
TEST(Program, CompleteRuns) {
  struct Case {
    const char* what;
    bool terminal;
    const char* answer;
    std::vector<std::string> args;
    const char* err;  // golden file of standard error
    int code;
  };
  const Case cases[] = {
      {"answer go", true, "go\n", {}, "stderr_go.txt", 0},
      {"other answer", true, "stop\n", {}, "stderr_stop.txt", 0},
      {"no terminal", false, "", {}, "stderr_no_console.txt", 1},
      {"arguments", false, "", {"-x", "Meld-System666.txt", "--help"}, "stderr_no_console.txt", 1},
  };
  for (const Case& c : cases) {
    // Under Wine the console answer is tried by CI's own run (doc/testing.md).
    if (c.terminal && under_wine()) continue;
    TempDir dir;
    ChildOptions o;
    o.terminal = c.terminal;
    o.answer = c.answer;
    o.argv = {MELD_PROGRAM};
    o.argv.insert(o.argv.end(), c.args.begin(), c.args.end());
    ChildResult r = run_program_in(dir, o);
    EXPECT_EQ(r.out, golden("console.txt")) << c.what;
    EXPECT_EQ(r.err, golden(c.err)) << c.what;
    EXPECT_TRUE(r.exited) << c.what;
    EXPECT_EQ(r.code, c.code) << c.what;
    EXPECT_EQ(read_file(dir.file(kExchangeFile)), golden("exchange.txt")) << c.what;
  }
}

TEST(Program, ExistingFilesEndWithTheSameSeventeenRecords) {
  const std::string earlier = golden("exchange.txt");
  for (const std::string& before :
       {earlier, earlier + earlier + std::string(100000, 'z'), std::string(" 1 2 3\n")}) {
    TempDir dir;
    write_file(dir.file(kExchangeFile), before);
    ChildResult r = run_program_in(dir);
    EXPECT_EQ(r.out, golden("console.txt"));
    EXPECT_EQ(read_file(dir.file(kExchangeFile)), golden("exchange.txt"));
  }
}

// A file beyond what a 32-bit position can hold (sparse: no disk space)
// is opened, written and cut as any other, on 32-bit processors too.
TEST(Program, ExchangeFileBeyondFourGiBEndsWithTheSameSeventeenRecords) {
  TempDir dir;
  const std::string path = dir.file(kExchangeFile);
  write_file(path, golden("exchange.txt"));
  ASSERT_EQ(truncate(path.c_str(), (off_t{1} << 32) + 4096), 0);
  ChildResult r = run_program_in(dir);
  EXPECT_EQ(r.out, golden("console.txt"));
  EXPECT_EQ(r.err, golden("stderr_no_console.txt"));
  ASSERT_EQ(std::filesystem::file_size(path), golden("exchange.txt").size());
  EXPECT_EQ(read_file(path), golden("exchange.txt"));
}

TEST(Program, ReadOnlyExchangeFileEndsWithTheReportAndStaysIntact) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the child as another user";
  if (under_wine()) GTEST_SKIP() << "a Wine prefix serves the user that made it";
  TempDir bin, dir;
  const std::string before = "keep me\n";
  write_file(dir.file(kExchangeFile), before);
  chmod(dir.file(kExchangeFile).c_str(), 0444);
  ChildOptions o;
  o.argv = {unprivileged_copy(bin)};
  o.uid = kNobody;
  ChildResult r = run_program_in(dir, o);
  EXPECT_EQ(r.out, " START: MELDRAK-Programmierung, Teil 2\n\n");
  EXPECT_EQ(r.err, kCantWriteExchangeFile);
  EXPECT_EQ(r.signal, SIGABRT);
  EXPECT_EQ(read_file(dir.file(kExchangeFile)), before);
}

}  // namespace
