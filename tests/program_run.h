// Runs of the whole program for the tests: the golden files written from
// the program's specified output, and a run in a directory of the test's.
#pragma once

#include <string>

#include "tests/child.h"

namespace testing_support {

inline const std::string kExchangeFile = "Meld-System666.txt";

inline std::string golden(const std::string& name) {
  return read_file(std::string(GOLDEN_DIR) + "/" + name);
}

// The program (unless the options name another) run in `dir`.
inline ChildResult run_program_in(const TempDir& dir, ChildOptions o = {}) {
  if (o.argv.empty()) o.argv = {MELD_PROGRAM};
  o.cwd = dir.path();
  return run_child(o);
}

}  // namespace testing_support
