#include "runtime/records/statement.h"

#include "runtime/records/errors.h"

namespace rt {

constinit Statement statement;

constinit LastOperation last;

bool record_operation_in_progress() {
  return statement_in_progress();
}

const LastOperation& last_operation() {
  return last;
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
