#include "runtime/records/numconv.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "runtime/records/uint128.h"

namespace rt::num {

namespace {

// The widest F text: 309 integer digits, the point and d <= 999 decimals.
constexpr std::size_t kFixedRoom = 1400;

char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr std::uint64_t kPowers10[] = {1ULL,
                                       10ULL,
                                       100ULL,
                                       1000ULL,
                                       10000ULL,
                                       100000ULL,
                                       1000000ULL,
                                       10000000ULL,
                                       100000000ULL,
                                       1000000000ULL,
                                       10000000000ULL,
                                       100000000000ULL,
                                       1000000000000ULL,
                                       10000000000000ULL,
                                       100000000000000ULL,
                                       1000000000000000ULL,
                                       10000000000000000ULL,
                                       100000000000000000ULL,
                                       1000000000000000000ULL};

// A field of `width` columns for a text of `need` characters, the sign
// included: blanks on the left and the sign, returning where the rest of
// the text goes; or, when the text does not fit, asterisks throughout and
// null.
char* right_justify(char* out, std::size_t width, std::size_t need, bool minus) {
  if (need > width) {
    std::memset(out, '*', width);
    return nullptr;
  }
  std::size_t lead = width - need;
  std::memset(out, ' ', lead);
  char* p = out + lead;
  if (minus) *p++ = '-';
  return p;
}

// round(magnitude * 10^d) for a finite magnitude, exactly: with
// magnitude = m*2^e, it is m*10^d shifted right by -e, rounded half to even
// on the exact remainder. False when the result would not fit 64 bits.
bool scaled_round(double magnitude, int d, std::uint64_t& result) {
  if (d > 18 || !(magnitude < 1.8e19)) return false;
  std::uint64_t bits;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const int biased = static_cast<int>(bits >> 52);
  std::uint64_t m = bits & ((1ULL << 52) - 1);
  int e;
  if (biased == 0) {
    e = -1074;  // subnormal
  } else {
    m |= 1ULL << 52;
    e = biased - 1075;
  }
  const Uint128 scaled = multiply(m, kPowers10[d]);  // below 2^113
  if (e >= 0) {
    // scaled * 2^e, which must fit 64 bits.
    if (e > 11 || scaled.high != 0 || (e > 0 && (scaled.low >> (64 - e)) != 0)) return false;
    result = scaled.low << e;
    return true;
  }
  const int shift = -e;
  if (shift > 113) {
    result = 0;  // below half a unit of the last place
    return true;
  }
  const Uint128 n = shift_right(scaled, shift);
  if (n.high != 0) return false;
  // Half to even: up when the first bit shifted out is set and either a
  // later one is or the quotient is odd.
  const bool up = bit(scaled, shift - 1) && (any_below(scaled, shift - 1) || (n.low & 1) != 0);
  if (up && n.low == UINT64_MAX) return false;
  result = n.low + (up ? 1 : 0);
  return true;
}

// "00" to "99".
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// n / 10^d as text with d decimals: 250, d = 2 -> "2.50".
std::size_t decimal_text(std::uint64_t n, int d, char* out) {
  std::size_t len = magnitude_digits(n / kPowers10[d], out);
  if (d == 0) return len;
  std::uint64_t part = n % kPowers10[d];
  out[len++] = '.';
  // The fraction from its last digit back, two digits at a time.
  char* p = out + len + static_cast<std::size_t>(d);
  int k = d;
  for (; k >= 2; k -= 2) {
    p -= 2;
    std::memcpy(p, kDigitPairs + 2 * (part % 100), 2);
    part /= 100;
  }
  if (k == 1) *--p = static_cast<char>('0' + part);
  return len + static_cast<std::size_t>(d);
}

// "%.*f" of a finite magnitude, or 0 when it lies beyond the exact range.
//   2.5, d = 11 -> "2.50000000000"   0.125, d = 2 -> "0.12"
std::size_t fixed_exact(double magnitude, int d, char* out) {
  std::uint64_t n;
  if (!scaled_round(magnitude, d, n)) return 0;
  return decimal_text(n, d, out);
}

// "%.9G" of a magnitude whose decimal exponent X (of the value rounded to
// nine digits) is from -4 to 8, where the form is plain: "%.{8-X}f" with
// the trailing zeros of the fraction removed, and the point with them when
// none remains. Returns 0 for any other magnitude.
//   1234.5 -> "1234.5"   0.0001 -> "0.0001"   2 -> "2"
std::size_t general9_plain(double magnitude, char* out) {
  if (!(magnitude >= 1e-5 && magnitude < 1e9)) return 0;
  // A first guess at X, corrected by the number of digits it gives.
  static constexpr double kBounds[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2,
                                       1e3,  1e4,  1e5,  1e6,  1e7, 1e8};
  int x = -5;
  while (x < 8 && magnitude >= kBounds[x + 5]) ++x;
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::uint64_t n;
    if (x < -4 || x > 8 || !scaled_round(magnitude, 8 - x, n)) return 0;
    if (n >= 1000000000ULL) {
      ++x;  // rounding carried into a tenth digit: 9.9999999996 -> 10
      continue;
    }
    if (n < 100000000ULL) {
      --x;
      continue;
    }
    std::size_t len = decimal_text(n, 8 - x, out);
    if (8 - x > 0) {
      while (out[len - 1] == '0') --len;
      if (out[len - 1] == '.') --len;
    }
    return len;
  }
  return 0;
}

}  // namespace

std::size_t list_double(double x, char* out) {
  out[0] = ' ';
  out[1] = x < 0 ? '-' : ' ';
  // A zero of either sign: "0." and no sign.
  if (x == 0) {
    out[1] = ' ';
    out[2] = '0';
    out[3] = '.';
    return 4;
  }
  char* digits = out + 2;
  std::size_t n = general9_plain(std::fabs(x), digits);
  if (n == 0) {
    auto [end, ec] = std::to_chars(digits, out + kListDoubleRoom - 1, std::fabs(x),
                                   std::chars_format::general, 9);
    (void)ec;  // the room always suffices
    n = static_cast<std::size_t>(end - digits);
  }
  char* end = digits + n;
  for (std::size_t i = 0; i < n; ++i) digits[i] = upper(digits[i]);
  // INF and NAN keep their letters and get no point.
  if (digits[0] == 'I' || digits[0] == 'N') return 2 + n;
  // 1.5 -> "1.5"   2 -> "2."   1E-08 -> "1.E-08"
  char* e = static_cast<char*>(std::memchr(digits, 'E', n));
  char* stop = e ? e : end;
  if (std::memchr(digits, '.', static_cast<std::size_t>(stop - digits)) == nullptr) {
    std::memmove(stop + 1, stop, static_cast<std::size_t>(end - stop));
    *stop = '.';
    ++n;
  }
  return 2 + n;
}

std::size_t magnitude_digits(unsigned long long magnitude, char* out) {
  return static_cast<std::size_t>(std::to_chars(out, out + 20, magnitude).ptr - out);
}

void edit_integer(long long value, int w, int m, char* out) {
  unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                           : static_cast<unsigned long long>(value);
  char digits[24];
  std::size_t n = magnitude_digits(magnitude, digits);
  std::size_t width = static_cast<std::size_t>(w);
  std::size_t shown = std::max(n, static_cast<std::size_t>(m));
  // Iw.0 writes a zero as blanks only.
  if (m == 0 && magnitude == 0) shown = 0;
  std::size_t need = shown + (value < 0 ? 1 : 0);
  char* p = right_justify(out, width, need, value < 0);
  if (p == nullptr) return;
  std::memset(p, '0', shown - std::min(shown, n));
  p += shown - std::min(shown, n);
  std::memcpy(p, digits, std::min(shown, n));
}

void edit_fixed(double x, int w, int d, char* out) {
  char text[kFixedRoom];
  std::size_t n = fixed_exact(std::fabs(x), d, text);
  if (n == 0) {
    // Beyond the exact range (and for infinities and NaN): the library's
    // conversion.
    auto [end, ec] =
        std::to_chars(text, text + kFixedRoom - 1, std::fabs(x), std::chars_format::fixed, d);
    (void)ec;
    n = static_cast<std::size_t>(end - text);
  }
  // "%#.0f" keeps its point: 2 -> "2."
  if (d == 0 && text[0] >= '0' && text[0] <= '9') text[n++] = '.';
  // A value that shows only zeros is written without its sign.
  bool minus = false;
  if (x < 0) {
    for (std::size_t i = 0; i < n; ++i) {
      if (text[i] != '0' && text[i] != '.') {
        minus = true;
        break;
      }
    }
  }
  const char* shown = text;
  std::size_t width = static_cast<std::size_t>(w);
  std::size_t need = n + (minus ? 1 : 0);
  // One column too many and a leading zero: the zero goes (0.5 in F4.3 -> ".500").
  if (need == width + 1 && text[0] == '0') {
    ++shown;
    --n;
    --need;
  }
  char* p = right_justify(out, width, need, minus);
  if (p == nullptr) return;
  std::memcpy(p, shown, n);
}

namespace {

// The short forms that a record usually holds, "-12.5" or "3.e2", taken
// apart for exact_decimal. False for any other form, which takes the
// general conversion.
bool parse_short(const char* p, const char* end, double& out) {
  bool negative = *p == '-';
  if (negative) ++p;
  std::uint64_t mantissa = 0;
  int digits = 0;
  long scale = 0;  // decimal places after the point
  bool point = false;
  for (; p != end && *p != 'e'; ++p) {
    if (*p == '.') {
      point = true;
      continue;
    }
    if (point) ++scale;
    if (mantissa == 0 && *p == '0') continue;  // leading zeros are not significant
    if (++digits > 19) return false;
    mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
  }
  long exponent = 0;
  if (p != end) {
    ++p;
    bool minus = p != end && *p == '-';
    if (p != end && (*p == '-' || *p == '+')) ++p;
    if (end - p > 3) return false;
    for (; p != end; ++p) exponent = exponent * 10 + (*p - '0');
    if (minus) exponent = -exponent;
  }
  return exact_decimal(mantissa, exponent - scale, negative, out);
}

}  // namespace

double parse_decimal(char* text, std::size_t len) {
  double value = 0;
  if (parse_short(text, text + len, value)) return value;
  auto [end, ec] = std::from_chars(text, text + len, value);
  (void)end;
  if (ec == std::errc::result_out_of_range) {
    // Beyond the range of doubles: the C library decides between an
    // infinity, a zero and the nearest subnormal.
    text[len] = '\0';
    value = std::strtod(text, nullptr);
  }
  return value;
}

}  // namespace rt::num
