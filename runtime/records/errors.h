// How the record layer fails: its error numbers, their texts, and the one
// path that every failure takes.
//
// -1 is the end of a file, 0 to 99 are the host's errno values, 100 to 132
// are the layer's own failures with a text each. Any other number has no
// text and is reported as an illegal error number: 204, an unknown item
// type, is raised that way on purpose.
//
// A failure is reported with io_fail the moment it is found (errno read
// then). When the statement in progress asked for the branch of that
// failure (its error branch, or its end-of-file branch for -1), the
// statement is abandoned and BranchTaken carries the number up to the entry
// point, which returns it. Otherwise the run ends with the fatal report,
// which the run-time frame installs at start-up: a failed write, say,
//   unit_flush -> io_fail(ENOSPC, "write") -> fatal report -> abort.
#pragma once

#include <string_view>

namespace rt {

enum Error : int {
  kEndOfFile = -1,
  kErrFormat = 100,
  kErrUnitNumber = 101,
  kErrBackspace = 106,
  kErrNullName = 107,
  kErrTruncate = 111,
  kErrListInput = 112,
  kErrNoMemory = 113,
  kErrNotConnected = 114,
  kErrUnexpectedChar = 115,
  kErrBadType = 117,
  kErrCantRead = 126,
  kErrCantWrite = 127,
  kErrNewExists = 128,
  kErrRecursion = 131,
  kErrTempName = 132,
  kErrUnknownType = 204,
};

// Text of a layer error 100 to 132; empty for any other number.
std::string_view error_text(int number);

// Carries a failure whose branch was taken up to the entry point.
struct BranchTaken {
  int number;
};

// Reports a failure of the operation in progress: its branch when the
// statement has one, else the fatal report.
[[noreturn]] void io_fail(int number, const char* context);

// The error gate: without a branch (`branch` zero) the fatal report; with
// one, the statement in progress is abandoned, errno set to `number`, and
// `number` returned.
int err__fl(int branch, int number, const char* context);

// The fatal report, whatever the branches (a statement begun while
// another is in progress).
[[noreturn]] void io_fatal(int number, const char* context);

// The report of a failure without a branch; it ends the process.
using FatalReport = void (*)(int number, const char* context);
// Installs the report (the frame does, at start-up). Until then a failure
// without a branch aborts the process at once.
void set_fatal_report(FatalReport report);

// An entry point's work: 0 when it completes, the failure's number when a
// branch was taken.
template <class Work>
inline int with_branches(Work&& work) {
  try {
    work();
    return 0;
  } catch (const BranchTaken& b) {
    return b.number;
  }
}

}  // namespace rt
