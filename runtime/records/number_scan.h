// The one scanner for a decimal number in a record, with one character of
// look-ahead; the list-directed reader's general path and formatted I and
// F input both read their numbers with it:
//
//   [+|-] digits [. digits] [(E|e|D|d) [+|-] digits | (+|-) digits]
//
// A sign directly after the digits opens an exponent too: "1.5-3" is
// 0.0015. The scanner only checks the grammar and writes the number in a
// normal form, "[-]digits[.digits][e[-]digits]"; one call converts that
// text afterwards (num::parse_decimal, or the integer reading below).
// The list reader's plain path (list_read.cpp) reads the common short
// numbers on its own, for speed; a fuzz target holds the two equal.
#pragma once

#include <cstddef>

#include "runtime/records/record.h"

namespace rt {

enum class ScanRule : unsigned char {
  List,   // list-directed: a digit in the mantissa and in any exponent
  Field,  // a formatted field: blanks ignored; no digits read as zero
};

enum class ScanResult : unsigned char {
  Number,
  NoDigits,        // no digit in the mantissa
  ExponentDigits,  // an exponent without a digit
  Trailing,        // characters after the number
};

// What the scan found besides the normal text.
struct ScannedForm {
  bool point = false;   // a "." in the mantissa
  bool letter = false;  // an exponent opened by a letter
  bool exponent = false;
  std::size_t mantissa_len = 0;  // the normal text before its "e"
  long exponent_value = 0;       // held within +-100000: beyond, all is zero or infinite
};

// Scans [p, end) as one number into `text` (emptied first).
ScanResult scan_number(const char* p, const char* end, ScanRule rule, Record& text,
                       ScannedForm& form);

// A number read in both of its readings: the integer (digits only, or the
// real value truncated toward zero when a sign opened the exponent) and
// the real. `integral` is false when an integer item may not take it
// (a point or an exponent letter).
struct ScannedNumber {
  bool integral = true;
  bool integer_overflow = false;  // beyond 64 bits
  long long integer = 0;
  double real = 0;
};

// The readings of a scanned number; `text` is its normal form, and is
// given a terminator for the conversion. The real reading is made only
// when `want_real` is set or the integer reading needs it.
ScannedNumber read_scanned(Record& text, const ScannedForm& form, bool want_real);

}  // namespace rt
