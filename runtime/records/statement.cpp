#include "runtime/records/statement.h"

#include "runtime/records/errors.h"

namespace rt {

constinit Statement statement;

namespace {

constinit LastOperation last;

}  // namespace

bool record_operation_in_progress() {
  return statement_in_progress();
}

const LastOperation& last_operation() {
  return last;
}

Unit& statement_start(const DataControl& control, StatementKind kind, const char* unit_context) {
  if (statement_in_progress()) io_fatal(kErrRecursion, "I/O recursion");
  units_connect_standard();
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

void control_statement_start(Integer err) {
  if (statement_in_progress()) io_fatal(kErrRecursion, "I/O recursion");
  statement.err_branch = err != 0;
  statement.end_branch = false;
}

void note_unit(int unit) {
  last.unit = unit;
}

void note_format(const char* text, std::size_t len) {
  last.format = text;
  last.format_len = len;
}

void statement_abandon() {
  Statement& st = statement;
  st.kind = StatementKind::None;
  st.record.len = 0;
  st.err_branch = st.end_branch = false;
}

void statement_emit_record() {
  Statement& st = statement;
  unit_put_record(*st.unit, st.record.data, st.record.len);
  st.record.len = 0;
}

}  // namespace rt
