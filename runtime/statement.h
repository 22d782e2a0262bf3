// Start and end of a data-transfer statement, shared by the list-directed
// and the formatted entry points.
#pragma once

#include "runtime/state.h"

namespace rt {

// Sets up the statement in progress: the recursion check, the unit, the
// last-operation record. `unit_context` names the step for a unit number
// outside 0 to 99. Returns the statement's unit.
Unit& statement_start(const DataControl& control, StatementKind kind, const char* unit_context);

// The checks before a read statement transfers: end-of-file flag, switch
// to reading.
void statement_prepare_read(Unit& u);

// Hands the record under construction to the unit and begins a new one.
void statement_emit_record();

// Clears the statement in progress once its end call has finished.
void statement_finish();

}  // namespace rt
