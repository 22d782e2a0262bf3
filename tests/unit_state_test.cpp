// OPEN, REWIND, CLOSE and the switches between reading and writing, on
// real files, with the file's bytes checked after each step.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "runtime/records/errors.h"
#include "runtime/records/layer.h"
#include "runtime/records/unit.h"
#include "tests/io_helpers.h"

namespace {

using namespace testing_support;

rt::UnitState state_of(int unit) {
  return rt::units[unit].state;
}

TEST(UnitState, MissingFileIsCreatedForWriting) {
  TempDir dir;
  std::string path = dir.file("f");
  open_file(10, path);
  EXPECT_TRUE(rt::units[10].connected());
  EXPECT_EQ(state_of(10), rt::UnitState::Writing);
  EXPECT_EQ(read_file(path), "");
  write_list(10, {I(1)});
  rewind_unit(10);
  EXPECT_EQ(state_of(10), rt::UnitState::RewoundAfterWriting);
  EXPECT_EQ(read_file(path), " 1\n");
  // Reading after the rewind reopens the write-only file for reading.
  EXPECT_EQ(next_record(10), " 1");
  EXPECT_EQ(state_of(10), rt::UnitState::NotWriting);
  close_unit(10);
  EXPECT_FALSE(rt::units[10].connected());
}

TEST(UnitState, ExistingLongerFileIsCutAtRewindAndClose) {
  TempDir dir;
  std::string path = open_with(dir, 10, "old 1\nold 2\nold 3\nold 4\n");
  EXPECT_EQ(state_of(10), rt::UnitState::NotWriting);
  EXPECT_EQ(read_file(path), "old 1\nold 2\nold 3\nold 4\n");  // OPEN keeps the content
  write_list(10, {T("new")});
  rewind_unit(10);
  EXPECT_EQ(read_file(path), " new\n");
  rewind_unit(10);  // a second REWIND does nothing
  EXPECT_EQ(state_of(10), rt::UnitState::RewoundAfterWriting);
  EXPECT_EQ(next_record(10), " new");
  // Writing after the last record read follows it.
  write_list(10, {T("more")});
  write_list(10, {T("last")});
  EXPECT_EQ(state_of(10), rt::UnitState::Writing);
  close_unit(10);
  EXPECT_EQ(read_file(path), " new\n more\n last\n");
}

// The first hand-over of a stretch of writing cuts the older bytes behind
// it first, so that an ending that runs no exit hook (SIGKILL, a power
// cut) never leaves new records followed by an old tail.
TEST(UnitState, RecordsHandedOverNeverLieBeforeOlderBytes) {
  TempDir dir;
  std::string path = open_with(dir, 10, "old 1\nold 2\nold 3\nold 4\nold 5\n");
  write_list(10, {T("new")});
  EXPECT_EQ(read_file(path), "old 1\nold 2\nold 3\nold 4\nold 5\n");  // nothing handed over
  rt::unit_flush(rt::units[10]);
  EXPECT_EQ(read_file(path), " new\n");
  write_list(10, {T("two")});
  rt::unit_flush(rt::units[10]);
  EXPECT_EQ(read_file(path), " new\n two\n");
  close_unit(10);

  // The same after reading: what follows the last record read goes first.
  write_file(path, "a\nb\nc\nd\n");
  open_file(10, path);
  EXPECT_EQ(next_record(10), "a");
  write_list(10, {T("X")});
  rt::unit_flush(rt::units[10]);
  EXPECT_EQ(read_file(path), "a\n X\n");
  close_unit(10);
}

// An ending that stops a flush inside its settling (the records written,
// the buffer's new position stored, the records not yet let go) completes
// the settling: the exit hook leaves the records once, not again after
// themselves. The ending is made here by hand, in a child process, since
// no signal can be aimed at those few instructions.
TEST(UnitStateDeathTest, EndingInsideASettlingLeavesTheRecordsOnce) {
  TempDir dir;
  const std::string path = dir.file("settling");
  EXPECT_EXIT(
      {
        open_file(10, path);
        write_list(10, {T("one"), T("two")});
        rt::Unit& u = rt::units[10];
        const std::size_t written = u.len;
        const std::int64_t after = u.bufpos + static_cast<std::int64_t>(written);
        rt::unit_flush(u);  // the records written, and settled
        u.len = written;    // as it was before the settling ended
        u.bufpos = after;
        u.settled_pos = after;
        u.settling = true;
        rt::units_close_at_exit();
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(read_file(path), " onetwo\n");
}

// A file that may be written but not read is opened empty: none of its old
// bytes wait for a cut.
TEST(UnitStateDeathTest, FileThatMayOnlyBeWrittenIsOpenedEmpty) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  TempDir dir;
  std::string path = dir.file("w");
  write_file(path, "old content\n");
  constexpr uid_t kNobody = 65534;
  ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(chmod(path.c_str(), 0200), 0);
  EXPECT_EXIT(([&] {
                if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
                open_file(10, path);
                struct stat st;
                bool ok = state_of(10) == rt::UnitState::Writing && !rt::units[10].readable &&
                          stat(path.c_str(), &st) == 0 && st.st_size == 0;
                _exit(ok ? 0 : 1);
              }()),
              ::testing::ExitedWithCode(0), "");
}

TEST(UnitState, WritingAfterReadingReplacesTheRest) {
  TempDir dir;
  std::string path = open_with(dir, 10, "a\nb\nc\nd\n");
  EXPECT_EQ(next_record(10), "a");
  write_list(10, {T("X")});
  close_unit(10);
  EXPECT_EQ(read_file(path), "a\n X\n");
}

TEST(UnitState, RewindAfterReadingKeepsTheFile) {
  TempDir dir;
  std::string path = open_with(dir, 10, "a\nb\n");
  EXPECT_EQ(next_record(10), "a");
  rewind_unit(10);
  EXPECT_EQ(state_of(10), rt::UnitState::NotWriting);
  EXPECT_EQ(next_record(10), "a");
  EXPECT_EQ(next_record(10), "b");
  close_unit(10);
  EXPECT_EQ(read_file(path), "a\nb\n");
}

TEST(UnitState, ClosingIgnoresUnknownUnitsAndDeleteRemoves) {
  EXPECT_EQ(close_unit(42), 0);
  EXPECT_EQ(close_unit(500), 0);
  TempDir dir;
  std::string path = dir.file("gone");
  open_file(11, path);
  write_list(11, {I(1)});
  close_unit(11, "delete");
  EXPECT_NE(access(path.c_str(), F_OK), 0);
}

// What each status makes of a file that exists (holding "old\n") and of
// one that does not.
TEST(UnitState, OpenStatuses) {
  struct Case {
    const char* status;
    bool exists;
    int result;           // OPEN's status, with an error branch
    const char* content;  // the file afterwards; null: none
    rt::UnitState state;
  } cases[] = {
      {"unknown", true, 0, "old\n", rt::UnitState::NotWriting},
      {"UNKNOWN", false, 0, "", rt::UnitState::Writing},
      {"old", true, 0, "old\n", rt::UnitState::NotWriting},
      {"old", false, ENOENT, nullptr, rt::UnitState::NotWriting},
      {"new", true, rt::kErrNewExists, "old\n", rt::UnitState::NotWriting},
      {"new", false, 0, "", rt::UnitState::Writing},
      {"replace", true, 0, "", rt::UnitState::NotWriting},
      {"replace", false, 0, "", rt::UnitState::Writing},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string path = dir.file("f");
    if (c.exists) write_file(path, "old\n");
    const std::string row = std::string(c.status) + (c.exists ? ", existing" : ", missing");
    EXPECT_EQ(open_file(10, path, c.status, {.err = true}), c.result) << row;
    EXPECT_EQ(rt::units[10].connected(), c.result == 0) << row;
    if (c.result == 0) {
      EXPECT_EQ(state_of(10), c.state) << row;
    }
    if (c.content == nullptr) {
      EXPECT_NE(access(path.c_str(), F_OK), 0) << row;
    } else {
      EXPECT_EQ(read_file(path), c.content) << row;
    }
    close_unit(10);
  }
}

TEST(UnitState, ScratchFileLeavesNothing) {
  TempDir tmp;
  setenv("TMPDIR", tmp.path().c_str(), 1);
  open_file(12, "", "scratch");
  write_list(12, {I(9)});
  // Created in the temporary directory and removed from it at once.
  EXPECT_TRUE(std::filesystem::is_empty(tmp.path()));
  rewind_unit(12);
  EXPECT_EQ(next_record(12), " 9");
  close_unit(12);
  EXPECT_TRUE(std::filesystem::is_empty(tmp.path()));
  unsetenv("TMPDIR");
}

// A temporary directory whose name leaves no room for the file's own, by
// a few characters, is reported as such; nothing is written past the
// name's storage.
TEST(UnitStateDeathTest, ScratchFileInADirectoryWithTooLongAName) {
  EXPECT_FATAL_REPORT(([] {
                        setenv("TMPDIR", ("/" + std::string(4089, 'd')).c_str(), 1);
                        open_file(12, "", "scratch");
                      }()),
                      "open: Temporary file name (TMPDIR?) too long");
}

TEST(UnitStateDeathTest, OpenAndRewindFailures) {
  TempDir dir;
  EXPECT_FATAL_REPORT(open_file(100, dir.file("x")), "open: illegal unit number");
  EXPECT_FATAL_REPORT(open_file(10, "   "), "open: null file name");
  // A blank name cut from a longer text: the blanks before it are not its.
  static const char text[] = "x     ";
  EXPECT_FATAL_REPORT(open_file(10, std::string_view(text + 3, 3)), "open: null file name");
  EXPECT_FATAL_REPORT(open_file(10, dir.file("no/such/dir")), "open: No such file or directory");
  EXPECT_FATAL_REPORT(([&] {
                        open_file(10, dir.file("x"), "new");
                        open_file(11, dir.file("x"), "new");
                      }()),
                      "open: 'new' file exists");
  EXPECT_FATAL_REPORT(rewind_unit(-3), "rewind: illegal unit number");
}

TEST(UnitStateDeathTest, RewindOfATerminal) {
  int master = -1;
  EXPECT_FATAL_REPORT(([&] {
                        master = posix_openpt(O_RDWR | O_NOCTTY);
                        grantpt(master);
                        unlockpt(master);
                        open_file(10, ptsname(master));
                        rewind_unit(10);
                      }()),
                      "rewind: can't backspace file");
}

TEST(UnitStateDeathTest, DirectoryCannotBeWritten) {
  TempDir dir;
  EXPECT_FATAL_REPORT(([&] {
                        open_file(10, dir.path());
                        write_list(10, {I(1)});
                      }()),
                      "list output start: can't write file",
                      "apparent state: unit 10 named .*\nlast format: list io\n"
                      "lately writing direct formatted external");
  EXPECT_FATAL_REPORT(([&] {
                        open_file(10, dir.path());
                        rt::FormattedWrite(10, "(1X,I2)");
                      }()),
                      "write start: can't write file");
}

TEST(UnitStateDeathTest, RecursionIsFatal) {
  TempDir dir;
  EXPECT_FATAL_REPORT(([&] {
                        rt::ListWrite first(6);
                        rt::ListWrite second(6);
                      }()),
                      "I/O recursion: I/O started while already doing I/O");
  EXPECT_FATAL_REPORT(([&] {
                        rt::ListWrite unfinished(6);
                        rewind_unit(6);
                      }()),
                      "I/O recursion: I/O started while already doing I/O");
  EXPECT_FATAL_REPORT(([&] {
                        rt::ListWrite unfinished(6);
                        open_file(10, dir.file("x"));
                      }()),
                      "I/O recursion: I/O started while already doing I/O");
}

}  // namespace

namespace {

using namespace testing_support;

TEST(UnitStateDeathTest, CutThatFails) {
  // A file that may not shrink: a sealed memory file, reached by its path.
  EXPECT_FATAL_REPORT(([&] {
                        int fd = memfd_create("sealed", MFD_ALLOW_SEALING);
                        std::string old(100, 'x');
                        if (write(fd, old.data(), old.size()) != 100) std::abort();
                        fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK);
                        open_file(10, "/proc/self/fd/" + std::to_string(fd));
                        write_list(10, {I(1)});
                        rewind_unit(10);
                      }()),
                      "endfile: truncation failed in endfile");
}

TEST(UnitStateDeathTest, SwitchToReadingImpossible) {
  TempDir dir;
  EXPECT_FATAL_REPORT(([&] {
                        std::string path = dir.file("vanishing");
                        open_file(10, path);  // created for writing only
                        write_list(10, {I(1)});
                        unlink(path.c_str());
                        rt::ListRead(10);
                      }()),
                      "read start: can't read file");
}

TEST(UnitStateDeathTest, RecordBufferCannotGrow) {
  TempDir dir;
  EXPECT_EXIT(([&] {
                open_file(10, dir.file("o"));
                rt::DataControl c;
                c.unit = 10;
                rt::s_wsle(&c);
                char text[1] = {'x'};
                rt::Integer type = rt::kChar, count = 1;
                rt::do_lio(&type, &count, text, rt::Length{1} << 60);
              }()),
              ::testing::KilledBySignal(SIGABRT), "malloc failure: out of free space\n");
}

}  // namespace
