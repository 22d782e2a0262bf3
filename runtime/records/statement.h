// The statement in progress and the record of the latest one. A start
// call fills the statement, its item calls use it, its end call clears
// it; the functions below are the only writers of what it shares with the
// rest of the layer (its kind, unit and branches), and of the latest
// operation that the fatal report describes.
#pragma once

#include <cstddef>

#include "runtime/records/errors.h"
#include "runtime/records/format_list.h"
#include "runtime/records/layer.h"
#include "runtime/records/number_scan.h"
#include "runtime/records/record.h"
#include "runtime/records/types.h"
#include "runtime/records/unit.h"

namespace rt {

enum class StatementKind : unsigned char { None, ListWrite, ListRead, FormatWrite, FormatRead };

struct Statement {
  StatementKind kind = StatementKind::None;
  Unit* unit = nullptr;
  bool err_branch = false;
  bool end_branch = false;
  Record record;  // output record; kept between statements
  Record token;   // the text of a value that lies across a refill
  Record number;  // the mantissa of a number being read

  // List-directed input.
  bool items_ended = false;   // a "/" was read
  long long repeat_left = 0;  // values still due from a repeat count
  bool repeat_null = false;   // the repeated value is null
  ScannedNumber repeat_value;

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

extern Statement statement;

inline bool statement_in_progress() {
  return statement.kind != StatementKind::None;
}

// The latest operation; written only by the functions of this file.
extern LastOperation last;

// Sets up a data-transfer statement: the recursion check, the standard
// units, the unit, the latest-operation record. `unit_context` names the
// step for a unit number outside 0 to 99. Returns the statement's unit.
// Inline: a statement of a few items spends a fair part of its time here,
// and each entry point knows its kind.
inline Unit& statement_start(const DataControl& control, StatementKind kind,
                             const char* unit_context) {
  if (statement_in_progress()) io_fatal(kErrRecursion, "I/O recursion");
  if (!units_ready()) units_connect_standard();
  Statement& st = statement;
  st.err_branch = control.err != 0;
  st.end_branch = control.end != 0;
  Unit* u = unit_at(control.unit);
  if (u == nullptr) io_fail(kErrUnitNumber, unit_context);
  bool reading = kind == StatementKind::ListRead || kind == StatementKind::FormatRead;
  bool formatted = kind == StatementKind::FormatRead || kind == StatementKind::FormatWrite;
  last.unit = control.unit;
  last.reading = reading;
  if (formatted) {
    last.sequential = true;
  } else {
    last.format = "list io";
    last.format_len = 7;
  }
  if (!u->connected()) io_fail(kErrNotConnected, unit_context);
  st.kind = kind;
  st.unit = u;
  st.record.len = 0;
  st.items_ended = false;
  st.repeat_left = 0;
  return *u;
}

// OPEN, REWIND and CLOSE: not while a statement is in progress; their
// failures take the error branch when `err` asks for one.
void control_statement_start(Integer err);
// REWIND and CLOSE name the unit that they act on in a later report.
void note_unit(int unit);
// The format of a formatted statement, as the report quotes it.
void note_format(const char* text, std::size_t len);

// The checks before a read statement transfers: end-of-file flag, switch
// to reading.
inline void statement_prepare_read(Unit& u) {
  if (u.eof) io_fail(kEndOfFile, "read start");
  if (u.state != UnitState::NotWriting) unit_to_reading(u, "read start");
}

// Hands the record under construction to the unit and begins a new one.
void statement_emit_record();

// Clears the statement in progress once its end call has finished.
inline void statement_finish() {
  statement.kind = StatementKind::None;
  statement.err_branch = statement.end_branch = false;
}

// Ends the statement in progress without finishing its record.
void statement_abandon();

}  // namespace rt
