// Entry points of the record layer. A statement is one start call, one
// item call per item, and one end call; each returns 0, or the error
// number when the statement's error or end-of-file branch was taken. Item
// and end calls after the branch was taken (or without a statement of
// their kind in progress) do nothing and return 0.
#pragma once

#include "runtime/records/types.h"

namespace rt {

// List-directed write and read.
int s_wsle(const DataControl* control);
int s_rsle(const DataControl* control);
int do_lio(const Integer* type, const Integer* count, void* address, Length length);
int e_wsle();
int e_rsle();

// Formatted write and read.
int s_wsfe(const DataControl* control);
int s_rsfe(const DataControl* control);
int do_fio(const Integer* count, void* address, Length length);
int e_wsfe();
int e_rsfe();

// OPEN, REWIND, CLOSE.
int f_open(const OpenControl* control);
int f_rew(const RewindControl* control);
int f_clos(const CloseControl* control);

}  // namespace rt
