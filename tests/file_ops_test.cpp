// OPEN, REWIND and CLOSE against the host's files, on every system: names
// in UTF-8, long paths, scratch files, and files that cannot be had.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "tests/io_helpers.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using namespace testing_support;

// Writes two records on unit 10, rewinds and reads the first back.
std::string round_trip() {
  write_list(10, {T("first"), I(1)});
  write_list(10, {T("second")});
  rewind_unit(10);
  return read_a(10, 8);
}

TEST(Open, NamesInUtf8AndLongPaths) {
  TempDir dir;
  // "Müller-ä.txt", and a path of more than 260 characters.
  std::string deep = dir.path();
  for (int k = 0; k < 30; ++k) deep += "/directory" + std::to_string(k);
  std::filesystem::create_directories(std::filesystem::u8path(deep));
  for (const std::string& name : {dir.file("M\xc3\xbcller-\xc3\xa4.txt"), deep + "/long.txt"}) {
    ASSERT_EQ(open_file(10, name, "unknown", {.err = true}), 0) << name.size();
    EXPECT_EQ(round_trip(), " first 1") << name.size();
    close_unit(10);
    EXPECT_EQ(std::filesystem::file_size(std::filesystem::u8path(name)), 17u) << name.size();
  }
}

// A scratch file has a name for reports only, and is gone once closed
// (on POSIX systems at once).
TEST(Open, ScratchFileIsGoneWhenClosed) {
  ASSERT_EQ(open_file(10, "", "scratch", {.err = true}), 0);
  EXPECT_EQ(round_trip(), " first 1");
  const std::string name = rt::unit_name(10);
  close_unit(10);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(name))) << name;
}

// A directory in the file's place: the OPEN or the first write fails, with
// nothing written.
TEST(Open, DirectoryWithTheFilesName) {
  TempDir dir;
  const std::string name = dir.file("d");
  std::filesystem::create_directory(name);
  int status = open_file(10, name, "unknown", {.err = true});
  if (status == 0) status = rt::ListWrite(10, {.err = true}).text("x").end();
  if (status == 0) status = close_unit(10, nullptr, {.err = true});
  EXPECT_NE(status, 0);
  close_unit(10, nullptr, {.err = true});
  EXPECT_TRUE(std::filesystem::is_directory(name));
}

#ifdef _WIN32
// A file that another program holds open without sharing cannot be
// opened: the OPEN reports it (EACCES) and leaves the file as it was.
TEST(Open, FileHeldWithoutSharingIsReported) {
  TempDir dir;
  const std::string name = dir.file("held.txt");
  write_file(name, "held\n");
  HANDLE held = CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(open_file(10, name, "unknown", {.err = true}), EACCES);
  CloseHandle(held);
  EXPECT_EQ(read_file(name), "held\n");
}
#endif

}  // namespace
