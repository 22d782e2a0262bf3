// The one scanner for a decimal number in a record, with one character of
// look-ahead; the list-directed reader's general path and formatted I and
// F input both read their numbers with it:
//
//   [+|-] digits [. digits] [(E|e|D|d) [+|-] digits | (+|-) digits]
//
// A sign directly after the digits opens an exponent too: "1.5-3" is
// 0.0015. The scanner only checks the grammar; it writes the mantissa in a
// normal form, "[-]digits[.digits]", and hands back the exponent as a
// number, the value's scale. One call converts the two afterwards
// (read_scanned). The list reader's plain path (list_plain.h) reads the
// common short numbers on its own, for speed; a fuzz target holds the two
// equal.
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
  // The decimal exponent: the value is the mantissa times 10^scale. Held
  // within +-100000: beyond, every value is a zero or an infinity.
  long scale = 0;
};

// Scans [p, end) as one number: its mantissa into `text` (emptied first),
// the rest into `form`.
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

// The readings of a scanned number; `text` is its mantissa, and is given
// the scale and a terminator for the conversion. The real reading is made
// only when `want_real` is set or the integer reading needs it.
ScannedNumber read_scanned(Record& text, const ScannedForm& form, bool want_real);

}  // namespace rt
