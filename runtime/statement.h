// Start and end of a data-transfer statement, shared by the list-directed
// and the formatted entry points. Inline: a statement of a few items spends
// a fair part of its time in them, and each entry point knows its kind.
#pragma once

#include "runtime/errors.h"
#include "runtime/frame.h"
#include "runtime/state.h"

namespace rt {

// Sets up the statement in progress: the recursion check, the unit, the
// last-operation record. `unit_context` names the step for a unit number
// outside 0 to 99. Returns the statement's unit.
inline Unit& statement_start(const DataControl& control, StatementKind kind,
                             const char* unit_context) {
  if (run.mark != RunMark::Ready) f_init();
  Statement& st = run.statement;
  st.err_branch = control.err != 0;
  st.end_branch = control.end != 0;
  run.mark = RunMark::InProgress;
  Unit* u = unit_at(control.unit);
  if (u == nullptr) io_fail(kErrUnitNumber, unit_context);
  bool reading = kind == StatementKind::ListRead || kind == StatementKind::FormatRead;
  bool formatted = kind == StatementKind::FormatRead || kind == StatementKind::FormatWrite;
  LastOperation& last = run.last;
  last.unit = control.unit;
  last.reading = reading;
  last.formatted = true;
  last.external = true;
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
  Statement& st = run.statement;
  st.kind = StatementKind::None;
  st.err_branch = st.end_branch = false;
  run.mark = RunMark::Ready;
}

}  // namespace rt
