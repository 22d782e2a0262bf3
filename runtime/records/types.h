// Shared types of the record layer and the run-time frame: the integer and
// length types that cross the entry points, and the control blocks that the
// statements pass to their start entry points.
#pragma once

#include <cfloat>
#include <cstdint>
#include <limits>

// Every double is an IEEE 754 double and every double operation is rounded
// to double: no build computes in a wider type (32-bit x86 does unless the
// build selects SSE2, as the top-level build file does).
static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<double>::digits == 53);
static_assert(FLT_EVAL_METHOD == 0, "doubles must be computed in double precision");

namespace rt {

using Integer = std::int32_t;  // the program's 32-bit signed integer
using Length = std::int64_t;   // a text length or an element length

// Start of a data-transfer statement (list-directed or formatted).
struct DataControl {
  Integer err = 0;               // nonzero: the statement has an error branch
  Integer unit = 0;              // unit number, 0 to 99
  Integer end = 0;               // nonzero: the statement has an end-of-file branch
  const char* format = nullptr;  // format item list; null for list-directed
  Integer rec = 0;               // record number; 0 for sequential transfer
};

// OPEN. Texts are zero-terminated; the file name has an explicit length.
struct OpenControl {
  Integer err = 0;
  Integer unit = 0;
  const char* name = nullptr;
  Length name_len = 0;
  const char* status = nullptr;  // null: "unknown"
  const char* access = nullptr;
  const char* form = nullptr;
  Integer recl = 0;
  const char* blank = nullptr;
};

// REWIND.
struct RewindControl {
  Integer err = 0;
  Integer unit = 0;
};

// CLOSE. A null status keeps the file.
struct CloseControl {
  Integer err = 0;
  Integer unit = 0;
  const char* status = nullptr;
};

// Type codes of list-directed items.
enum TypeCode : Integer {
  kShort = 2,    // 2-byte integer
  kInt = 3,      // 4-byte integer
  kReal = 4,     // 4-byte float
  kDouble = 5,   // 8-byte double
  kComplex = 6,  // two 4-byte floats
  kDoubleComplex = 7,
  kLogical = 8,  // 4-byte logical
  kChar = 9,     // text with an explicit length
  kByte = 11,    // 1-byte integer
  kLogical1 = 12,
  kLogical2 = 13,
  kLong = 14,  // 8-byte integer
};

}  // namespace rt
