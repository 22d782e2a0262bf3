// The run's state in one place: the run marks, the statement in progress
// and the last-operation record that the fatal report describes.
#pragma once

#include <cstddef>

#include "runtime/format_list.h"
#include "runtime/record.h"
#include "runtime/types.h"
#include "runtime/unit.h"

namespace rt {

enum class RunMark : unsigned char { Uninitialised, Ready, InProgress };

enum class StatementKind : unsigned char { None, ListWrite, ListRead, FormatWrite, FormatRead };

// The latest data-transfer statement, as the fatal report shows it.
struct LastOperation {
  int unit = -1;                 // -1: none recorded (internal)
  const char* format = nullptr;  // null: no format recorded
  std::size_t format_len = 0;
  bool reading = false;
  bool sequential = false;  // only formatted statements set it
  bool formatted = true;
  bool external = true;
};

// A number read by the list-directed reader, in both of its readings.
struct ListNumber {
  bool integral = true;           // no point and no exponent
  bool integer_overflow = false;  // too large for 64 bits
  long long integer = 0;
  double real = 0;
};

// The statement in progress: filled by a start call, used by the item
// calls, cleared by the end call.
struct Statement {
  StatementKind kind = StatementKind::None;
  Unit* unit = nullptr;
  bool err_branch = false;
  bool end_branch = false;
  Record record;  // output record; kept between statements
  Record token;   // the text of a number being read

  // List-directed input.
  bool items_ended = false;   // a "/" was read
  long long repeat_left = 0;  // values still due from a repeat count
  bool repeat_null = false;   // the repeated value is null
  ListNumber repeat_value;

  // Formatted transfer.
  FormatList format;
  // The text that `format` was parsed from, kept to recognise a statement
  // that uses the same format again (a program's formats are constants).
  const char* format_source = nullptr;
  Record format_copy;
  std::size_t walk = 0;                      // next item of the format list
  int repeat_done = 0;                       // repeats of the current data item already used
  int depth = 0;                             // open groups, the whole list included
  int group_left[kMaxFormatDepth + 1] = {};  // passes left of each open group
};

struct RunState {
  RunMark mark = RunMark::Uninitialised;
  bool fatal_started = false;
  bool exit_done = false;
  int argc = 0;
  char** argv = nullptr;
  LastOperation last;
  Statement statement;
  int stdout_flush_errno = 0;  // a failure of the final flush of unit 6
};

extern RunState run;

// Thrown to leave a statement whose error or end-of-file branch was taken;
// every entry point catches it and returns the error number.
struct BranchTaken {
  int number;
};

// Reports a failure of the operation in progress: through the error gate
// when its branch is set (throws BranchTaken), else the fatal report.
[[noreturn]] void io_fail(int number, const char* context);

// Ends the statement in progress without finishing its record.
void statement_abandon();

}  // namespace rt
