#include "runtime/records/number_scan.h"

#include <cmath>
#include <cstdint>

#include "runtime/records/numconv.h"

namespace rt {

namespace {

constexpr long kExponentLimit = 100000;

bool is_digit(int c) {
  return c >= '0' && c <= '9';
}

// The characters of one field, one of them in view; blanks are passed
// over where the rule ignores them. Accepted characters are saved into
// the normal text.
class Scanner {
 public:
  Scanner(const char* p, const char* end, ScanRule rule, Record& text)
      : p_(p), end_(end), skip_blanks_(rule == ScanRule::Field), text_(text) {
    text_.len = 0;
    pass_blanks();
  }

  // The character in view, or -1 at the end of the field.
  int current() const { return p_ == end_ ? -1 : static_cast<unsigned char>(*p_); }
  bool at_end() const { return p_ == end_; }
  void next() {
    ++p_;
    pass_blanks();
  }
  void save(char c) { text_.append(c); }

  // Takes an optional sign; true for a minus.
  bool sign() {
    int c = current();
    if (c != '+' && c != '-') return false;
    next();
    return c == '-';
  }

  // Takes the digits in view; returns how many.
  int read_digits() {
    int n = 0;
    for (; is_digit(current()); ++n) {
      save(*p_);
      next();
    }
    return n;
  }

  // Takes the digits in view as a number, held below `limit`; returns how
  // many digits there were.
  int read_number(long limit, long& value) {
    int n = 0;
    value = 0;
    for (; is_digit(current()); ++n) {
      if (value < limit) value = value * 10 + (*p_ - '0');
      next();
    }
    return n;
  }

 private:
  void pass_blanks() {
    if (skip_blanks_) {
      while (p_ != end_ && *p_ == ' ') ++p_;
    }
  }

  const char* p_;
  const char* end_;
  bool skip_blanks_;
  Record& text_;
};

}  // namespace

ScanResult scan_number(const char* p, const char* end, ScanRule rule, Record& text,
                       ScannedForm& form) {
  form = {};
  Scanner s(p, end, rule, text);
  // The mantissa: "-12.5", ".5", "5."
  if (s.sign()) s.save('-');
  int digits = s.read_digits();
  if (s.current() == '.') {
    form.point = true;
    s.save('.');
    s.next();
    digits += s.read_digits();
  }
  if (digits == 0) {
    if (rule == ScanRule::List) return ScanResult::NoDigits;
    s.save('0');  // a blank field, a lone sign or point: zero
  }
  // The exponent: "e-3", "D+2", or a sign right after the digits, "-3".
  int c = s.current();
  form.letter = c == 'E' || c == 'e' || c == 'D' || c == 'd';
  if (form.letter || c == '+' || c == '-') {
    form.exponent = true;
    if (form.letter) s.next();
    bool negative = s.sign();
    // "1e" in a field: its blanks count as zeros.
    if (s.read_number(kExponentLimit, form.scale) == 0 && rule == ScanRule::List) {
      return ScanResult::ExponentDigits;
    }
    if (negative) form.scale = -form.scale;
  }
  return s.at_end() ? ScanResult::Number : ScanResult::Trailing;
}

namespace {

// The integer of "[-]digits"; false when it needs more than 64 bits.
bool integer_of(const char* text, std::size_t len, long long& value) {
  constexpr std::uint64_t kLimit = 1ULL << 63;  // the magnitude of the most negative value
  bool negative = len > 0 && text[0] == '-';
  std::uint64_t magnitude = 0;
  for (std::size_t i = negative ? 1 : 0; i < len; ++i) {
    unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (magnitude > (kLimit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  if (!negative && magnitude == kLimit) return false;
  value = negative ? static_cast<long long>(0ULL - magnitude) : static_cast<long long>(magnitude);
  return true;
}

}  // namespace

ScannedNumber read_scanned(Record& text, const ScannedForm& form, bool want_real) {
  ScannedNumber n;
  n.integral = !form.point && !form.letter;
  if (want_real || form.exponent) {
    // "12.5" with scale -3 -> "12.5e-3"
    const std::size_t mantissa_len = text.len;
    if (form.scale != 0) {
      char digits[24];
      unsigned long magnitude =
          static_cast<unsigned long>(form.scale < 0 ? -form.scale : form.scale);
      text.append(form.scale < 0 ? "e-" : "e", form.scale < 0 ? 2 : 1);
      text.append(digits, num::magnitude_digits(magnitude, digits));
    }
    text.extend(1);  // room for the conversion's terminator
    --text.len;
    n.real = num::parse_decimal(text.data, text.len);
    text.len = mantissa_len;
  }
  if (!form.point && !form.exponent) {
    n.integer_overflow = !integer_of(text.data, text.len, n.integer);
  } else if (n.integral) {
    // "12+1" -> 120, "5-1" -> 0: the real value truncated toward zero.
    double whole = std::trunc(n.real);
    n.integer_overflow = !(whole >= -0x1p63 && whole < 0x1p63);
    if (!n.integer_overflow) n.integer = static_cast<long long>(whole);
  }
  return n;
}

}  // namespace rt
