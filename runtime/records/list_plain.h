// The list-directed reader's plain path: the common value, a plain number
// such as "12" or "-3.25" lying whole in the unit's buffer, converted where
// it lies. It is the only reading of a number besides the number scanner
// (number_scan.h), kept for speed; the fuzz target plain_path_fuzz holds
// the two equal.
#pragma once

#include <cstdint>

#include "runtime/records/list_items.h"
#include "runtime/records/numconv.h"
#include "runtime/records/types.h"
#include "runtime/records/unit.h"

namespace rt {

namespace plain {

// The value of a digit; above 9 for any other character.
inline unsigned digit_value(char c) {
  return static_cast<unsigned char>(c) - unsigned{'0'};
}

}  // namespace plain

// How the plain path stores a value: into the four common item types only.
// Items of other types (and byte or short integers, whose range needs a
// check) take the general path.
enum class PlainStore : unsigned char { Int32, Int64, Real32, Real64 };

// The common value, read straight from the buffer: after blanks, tabs and
// newlines, [-]digits[.digits] followed by a blank, a tab, a comma, a "/"
// or a line end in the buffer; up to 15 digits for a real or 8-byte
// integer item, 9 for a 4-byte one, so that every such number is exact (a
// whole mantissa divided by an exact power of ten rounds once) and fits.
// Anything else, a repeat count, an exponent, a longer number, an integer
// item given a point, or the buffer's end, consumes nothing and returns
// false for the general path. The scans stop at the NUL after the data;
// the NUL is no separator, so a value that reaches the end of the buffer
// goes to the general path too.
//
// Two things keep it fast: it calls nothing, so that the item call's common
// case is a leaf; and every step over a blank, a sign or a comma is a
// branch, not arithmetic on the character, so that the position, and with
// it the next item's start, does not wait for the characters to load.
template <PlainStore how>
[[gnu::always_inline]] inline bool read_plain_as(Unit& u, char* element) {
  constexpr bool real = how == PlainStore::Real32 || how == PlainStore::Real64;
  const char* p = unit_next(u);
  if (p == unit_end(u)) return false;
  // Blanks, tabs and newlines, then a sign.
  bool negative = false;
  for (;; ++p) {
    if (*p == ' ' || *p == '\t' || *p == '\n') continue;
    if (*p == '-' || *p == '+') {
      negative = *p == '-';
      ++p;
    }
    break;
  }
  const char* const first = p;
  std::uint64_t mantissa = 0;
  for (unsigned d; (d = plain::digit_value(*p)) <= 9; ++p) mantissa = mantissa * 10 + d;
  std::ptrdiff_t digits = p - first;
  std::ptrdiff_t scale = 0;
  if (*p == '.') {
    if constexpr (!real) return false;
    const char* const fraction = ++p;
    for (unsigned d; (d = plain::digit_value(*p)) <= 9; ++p) mantissa = mantissa * 10 + d;
    scale = p - fraction;
    digits += scale;
  }
  if (digits <= 0 || digits > (how == PlainStore::Int32 ? 9 : 15)) return false;
  const char c = *p;
  if (c != ' ' && c != '\t' && c != '\n' && c != ',' && c != '/') return false;
  // The separator: blanks and tabs, then one comma. Blanks that reach the
  // end of the buffer may be followed by a comma beyond it: the general
  // path reads the value again and its separator across the refill.
  for (;; ++p) {
    if (*p == ',') {
      ++p;
      break;
    }
    if (*p != ' ' && *p != '\t') {
      if (p == unit_end(u)) return false;
      break;
    }
  }
  if constexpr (real) {
    // Below 10^15, divided by an exact power of ten: one rounding.
    double value = static_cast<double>(mantissa) / num::kExactPowers[scale];
    if (negative) value = -value;
    if constexpr (how == PlainStore::Real64) {
      store(element, value);
    } else {
      store(element, static_cast<float>(value));
    }
  } else {
    const long long value =
        negative ? -static_cast<long long>(mantissa) : static_cast<long long>(mantissa);
    if constexpr (how == PlainStore::Int32) {
      store(element, static_cast<std::int32_t>(value));
    } else {
      store(element, static_cast<std::int64_t>(value));
    }
  }
  unit_take_to(u, p);
  return true;
}

[[gnu::always_inline]] inline bool read_plain(Unit& u, Integer type, char* element) {
  switch (type) {
    case kInt:
      return read_plain_as<PlainStore::Int32>(u, element);
    case kLong:
      return read_plain_as<PlainStore::Int64>(u, element);
    case kReal:
      return read_plain_as<PlainStore::Real32>(u, element);
    case kDouble:
      return read_plain_as<PlainStore::Real64>(u, element);
    default:
      return false;
  }
}

}  // namespace rt
