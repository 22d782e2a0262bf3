// Runs of the whole program for the tests: the golden files written from
// the program's specified output, and a run in a directory of the test's.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <string>

#include "tests/child.h"

namespace testing_support {

inline const std::string kExchangeFile = "Meld-System666.txt";

inline std::string golden(const std::string& name) {
  return read_file(std::string(GOLDEN_DIR) + "/" + name);
}

// What a run reports when it cannot write its exchange file.
inline const std::string kCantWriteExchangeFile =
    "list output start: can't write file\n"
    "apparent state: unit 25 named Meld-System666.txt\n"
    "last format: list io\n"
    "lately writing direct formatted external IO\n";

// The user that runs unprivileged copies of the program.
inline constexpr uid_t kNobody = 65534;

// An unprivileged copy of the program, in a directory the user may read.
inline std::string unprivileged_copy(const TempDir& bin) {
  std::string path = bin.file("meld-system");
  std::filesystem::copy_file(MELD_PROGRAM, path);
  chmod(path.c_str(), 0755);
  return path;
}

// The program (unless the options name another) run in `dir`.
inline ChildResult run_program_in(const TempDir& dir, ChildOptions o = {}) {
  if (o.argv.empty()) o.argv = {MELD_PROGRAM};
  o.cwd = dir.path();
  return run_child(o);
}

}  // namespace testing_support
