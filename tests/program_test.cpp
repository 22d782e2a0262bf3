// Complete runs of the program, compared byte for byte with the golden
// console report, exchange file and standard-error dialogue.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/child.h"
#include "tests/program_run.h"

namespace {

using namespace testing_support;

TEST(Program, CompleteRunAnsweringGo) {
  TempDir dir;
  ChildOptions o;
  o.terminal = true;
  o.answer = "go\n";
  ChildResult r = run_program_in(dir, o);
  EXPECT_EQ(r.out, golden("console.txt"));
  EXPECT_EQ(r.err, golden("stderr_go.txt"));
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(read_file(dir.file(kExchangeFile)), golden("exchange.txt"));
}

TEST(Program, OtherAnswerStops) {
  TempDir dir;
  ChildOptions o;
  o.terminal = true;
  o.answer = "stop\n";
  ChildResult r = run_program_in(dir, o);
  EXPECT_EQ(r.out, golden("console.txt"));
  EXPECT_EQ(r.err, golden("stderr_stop.txt"));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(read_file(dir.file(kExchangeFile)), golden("exchange.txt"));
}

TEST(Program, NoControllingTerminal) {
  TempDir dir;
  ChildResult r = run_program_in(dir);
  EXPECT_EQ(r.out, golden("console.txt"));
  EXPECT_EQ(r.err, golden("stderr_no_console.txt"));
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(read_file(dir.file(kExchangeFile)), golden("exchange.txt"));
}

TEST(Program, ArgumentsChangeNothing) {
  TempDir dir;
  ChildOptions o;
  o.argv = {MELD_PROGRAM, "-x", "Meld-System666.txt", "--help"};
  ChildResult r = run_program_in(dir, o);
  EXPECT_EQ(r.out, golden("console.txt"));
  EXPECT_EQ(r.err, golden("stderr_no_console.txt"));
  EXPECT_EQ(read_file(dir.file(kExchangeFile)), golden("exchange.txt"));
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

// An unprivileged copy of the program, in a directory the user may read.
std::string unprivileged_copy(const TempDir& bin) {
  std::string path = bin.file("meld-system");
  std::filesystem::copy_file(MELD_PROGRAM, path);
  chmod(path.c_str(), 0755);
  return path;
}

constexpr uid_t kNobody = 65534;

TEST(Program, ReadOnlyExchangeFileEndsWithTheReportAndStaysIntact) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the child as another user";
  TempDir bin, dir;
  const std::string before = "keep me\n";
  write_file(dir.file(kExchangeFile), before);
  chmod(dir.file(kExchangeFile).c_str(), 0444);
  ChildOptions o;
  o.argv = {unprivileged_copy(bin)};
  o.uid = kNobody;
  ChildResult r = run_program_in(dir, o);
  EXPECT_EQ(r.out, " START: MELDRAK-Programmierung, Teil 2\n\n");
  EXPECT_EQ(r.err,
            "list output start: can't write file\n"
            "apparent state: unit 25 named Meld-System666.txt\n"
            "last format: list io\n"
            "lately writing direct formatted external IO\n");
  EXPECT_EQ(r.signal, SIGABRT);
  EXPECT_EQ(read_file(dir.file(kExchangeFile)), before);
}

}  // namespace
