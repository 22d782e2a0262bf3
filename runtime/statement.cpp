#include "runtime/statement.h"

#include <cstdlib>

#include "runtime/errors.h"
#include "runtime/frame.h"

namespace rt {

constinit RunState run;

void Record::grow(std::size_t n) {
  std::size_t want = cap ? cap : 256;
  while (want - len < n) {
    if (want > (static_cast<std::size_t>(-1) >> 2)) io_fail(kErrNoMemory, "malloc failure");
    want *= 2;
  }
  void* grown = std::realloc(data, want);
  if (grown == nullptr) io_fail(kErrNoMemory, "malloc failure");
  data = static_cast<char*>(grown);
  cap = want;
}

void io_fail(int number, const char* context) {
  const Statement& st = run.statement;
  bool branch = number == kEndOfFile ? st.end_branch : st.err_branch;
  err__fl(branch ? 1 : 0, number, context);
  throw BranchTaken{number};
}

void statement_abandon() {
  Statement& st = run.statement;
  st.kind = StatementKind::None;
  st.record.len = 0;
  st.err_branch = st.end_branch = false;
}

Unit& statement_start(const DataControl& control, StatementKind kind, const char* unit_context) {
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

void statement_prepare_read(Unit& u) {
  if (u.eof) io_fail(kEndOfFile, "read start");
  if (u.state != UnitState::NotWriting) unit_to_reading(u, "read start");
}

void statement_emit_record() {
  Statement& st = run.statement;
  unit_put_record(*st.unit, st.record.data, st.record.len);
  st.record.len = 0;
}

void statement_finish() {
  Statement& st = run.statement;
  st.kind = StatementKind::None;
  st.err_branch = st.end_branch = false;
  run.mark = RunMark::Ready;
}

}  // namespace rt
