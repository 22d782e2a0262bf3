#include "runtime/statement.h"

#include "runtime/errors.h"

namespace rt {

constinit RunState run;

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

void statement_emit_record() {
  Statement& st = run.statement;
  unit_put_record(*st.unit, st.record.data, st.record.len);
  st.record.len = 0;
}

}  // namespace rt
