// Number conversions of the record layer: digits first (std::to_chars,
// std::from_chars), layout second. Each function writes into caller storage
// and allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt::num {

// Room that list_double needs.
inline constexpr std::size_t kListDoubleRoom = 32;

// List-directed text of a double: a blank, a minus sign or a blank, then
// nine significant digits with a decimal point always present.
//   2.0 -> "  2."   -3.0 -> " -3."   1e-8 -> "  1.E-08"   -0.0 -> "  0."
std::size_t list_double(double x, char* out);

// Decimal digits of a magnitude, without leading zeros: 0 -> "0". `out`
// has room for 20 characters.
std::size_t magnitude_digits(unsigned long long magnitude, char* out);

// Iw.m: the value right-justified in w columns, at least m digits, the sign
// directly before the first digit; w asterisks when it does not fit.
//   I3: 1 -> "  1"   -12 -> "-12"   1000 -> "***"
void edit_integer(long long value, int w, int m, char* out);

// Fw.d: "%#.*f" of the magnitude, the sign before it, right-justified in w
// columns; w asterisks when it does not fit.
//   F15.11: 2.0 -> "  2.00000000000"   -1e-13 -> "  0.00000000000"
void edit_fixed(double x, int w, int d, char* out);

// 10^0 .. 10^22: every one exact in a double.
inline constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// mantissa * 10^power, correctly rounded, when that takes one rounding: a
// mantissa below 2^53 times or divided by an exact power of ten up to
// 10^22 (or a zero mantissa, whatever the power). False for any other
// value, which needs the general conversion.
//   (125, -1) -> 12.5   (3, 2) -> 300.   (1, -30) -> false
inline bool exact_decimal(std::uint64_t mantissa, long power, bool negative, double& out) {
  if (mantissa == 0) {
    out = negative ? -0.0 : 0.0;
    return true;
  }
  if (mantissa >= (1ULL << 53) || power < -22 || power > 22) return false;
  double value = static_cast<double>(mantissa);  // exact: below 2^53
  value = power < 0 ? value / kExactPowers[-power] : value * kExactPowers[power];
  out = negative ? -value : value;
  return true;
}

// Converts decimal text of the form [-]digits[.digits][e[+-]digits] to the
// nearest double, as the C library's strtod does (overflow gives an
// infinity, underflow a zero or a subnormal). `text[len]` must be writable.
double parse_decimal(char* text, std::size_t len);

}  // namespace rt::num
