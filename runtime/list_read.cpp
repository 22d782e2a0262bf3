// List-directed input: values separated by blanks, tabs, newlines or one
// comma; null values, "/", repeat counts; the rest of the last record is
// skipped at the end of the statement.
#include <limits>

#include "runtime/errors.h"
#include "runtime/io.h"
#include "runtime/list_items.h"
#include "runtime/numconv.h"
#include "runtime/statement.h"

namespace rt {

namespace {

constexpr const char* kContext = "list in";

bool is_digit(int c) {
  return c >= '0' && c <= '9';
}
bool is_blank(int c) {
  return c == ' ' || c == '\t';
}
// What may follow a value.
bool ends_value(int c) {
  return c < 0 || is_blank(c) || c == '\n' || c == ',' || c == '/';
}

bool is_integer_type(Integer type) {
  return type == kByte || type == kShort || type == kInt || type == kLong;
}
bool is_real_type(Integer type) {
  return type == kReal || type == kDouble;
}

// A scanner over the statement's unit with one character of look-ahead.
class ListScanner {
 public:
  explicit ListScanner(Statement& st) : st_(st), u_(*st.unit) {}

  int peek() { return unit_peek(u_, kContext); }
  void take() { unit_advance(u_); }

  // Skips blanks, tabs and newlines up to the next value; the end of the
  // file here ends the run.
  int skip_to_value() {
    for (;;) {
      int c = peek();
      if (c < 0) io_fail(kEndOfFile, kContext);
      if (!is_blank(c) && c != '\n') return c;
      take();
    }
  }

  // After a value: blanks and tabs, then one comma.
  void skip_separator() {
    int c = peek();
    while (is_blank(c)) {
      take();
      c = peek();
    }
    if (c == ',') take();
  }

  // Appends digits to the token; returns how many.
  std::size_t digits() {
    std::size_t n = 0;
    for (int c = peek(); is_digit(c); c = peek()) {
      st_.token.append(static_cast<char>(c));
      take();
      ++n;
    }
    return n;
  }

  // A repeat count "r*" when one stands here, else 0; the sign and digits
  // that were not a count stay in the token.
  long long repeat_count() {
    int c = peek();
    bool signed_count = c == '+' || c == '-';
    if (signed_count) {
      if (c == '-') st_.token.append('-');
      take();
    }
    std::size_t first = st_.token.len;
    std::size_t n = digits();
    if (peek() != '*') return 0;
    take();
    long long count = 0;
    for (std::size_t i = first; i < first + n; ++i) {
      count = count * 10 + (st_.token.data[i] - '0');
      if (count > std::numeric_limits<Integer>::max()) break;
    }
    if (n == 0 || signed_count || count == 0 || count > std::numeric_limits<Integer>::max()) {
      io_fail(kErrListInput, "bad repetition count");
    }
    st_.token.len = 0;
    return count;
  }

  // The rest of a number whose sign and leading digits are in the token:
  //   1.5-3 -> 1.5e-3   2.25D0 -> 2.25e0   .5 -> .5
  ListNumber number(std::size_t lead_digits) {
    Record& tok = st_.token;
    ListNumber value;
    std::size_t mantissa_digits = lead_digits;
    if (peek() == '.') {
      value.integral = false;
      tok.append('.');
      take();
      mantissa_digits += digits();
    }
    if (mantissa_digits == 0) io_fail(kErrListInput, "invalid number");
    int c = peek();
    bool letter = c == 'e' || c == 'E' || c == 'd' || c == 'D';
    if (letter || c == '+' || c == '-') {
      value.integral = false;
      tok.append('e');
      if (letter) {
        take();
        c = peek();
      }
      if (c == '+' || c == '-') {
        if (c == '-') tok.append('-');
        take();
      }
      if (digits() == 0) io_fail(kErrListInput, "exponent field");
    }
    if (!ends_value(peek())) io_fail(kErrListInput, "invalid number");
    if (value.integral) {
      // The token is [-]digits; a 64-bit value or an overflow.
      const char* p = tok.data;
      bool negative = *p == '-';
      if (negative) ++p;
      unsigned long long magnitude = 0;
      for (; p != tok.data + tok.len; ++p) {
        unsigned digit = static_cast<unsigned>(*p - '0');
        if (magnitude > (std::numeric_limits<unsigned long long>::max() - digit) / 10) {
          value.integer_overflow = true;
          break;
        }
        magnitude = magnitude * 10 + digit;
      }
      constexpr unsigned long long kLimit = 1ULL << 63;
      if (magnitude > kLimit - (negative ? 0 : 1)) value.integer_overflow = true;
      value.integer =
          negative ? static_cast<long long>(0ULL - magnitude) : static_cast<long long>(magnitude);
    }
    tok.extend(1);  // room for a terminator
    --tok.len;
    value.real = num::parse_decimal(tok.data, tok.len);
    return value;
  }

 private:
  Statement& st_;
  Unit& u_;
};

bool fits(long long v, std::size_t size) {
  if (size >= 8) return true;
  long long limit = 1LL << (size * 8 - 1);
  return v >= -limit && v < limit;
}

void assign(Integer type, char* element, const ListNumber& value) {
  if (is_real_type(type)) {
    if (type == kDouble) {
      store(element, value.real);
    } else {
      store(element, static_cast<float>(value.real));
    }
    return;
  }
  if (!value.integral) io_fail(kErrUnexpectedChar, "invalid integer");
  std::size_t size = type_size(type);
  if (value.integer_overflow || !fits(value.integer, size))
    io_fail(kErrListInput, "integer overflow");
  switch (size) {
    case 1:
      store(element, static_cast<std::int8_t>(value.integer));
      return;
    case 2:
      store(element, static_cast<std::int16_t>(value.integer));
      return;
    case 4:
      store(element, static_cast<std::int32_t>(value.integer));
      return;
    default:
      store(element, static_cast<std::int64_t>(value.integer));
      return;
  }
}

}  // namespace

int s_rsle(const DataControl* control) {
  try {
    Unit& u = statement_start(*control, StatementKind::ListRead, "stler");
    statement_prepare_read(u);
    return 0;
  } catch (const BranchTaken& b) {
    return b.number;
  }
}

void list_read_item(Integer type, char* element, Length /*length*/) {
  Statement& st = run.statement;
  if (st.items_ended) return;
  if (!is_integer_type(type) && !is_real_type(type)) io_fail(kErrBadType, kContext);
  if (st.repeat_left > 0) {
    --st.repeat_left;
    if (!st.repeat_null) assign(type, element, st.repeat_value);
    return;
  }
  ListScanner scan(st);
  int c = scan.skip_to_value();
  if (c == '/') {
    scan.take();
    st.items_ended = true;
    return;
  }
  if (c == ',') {
    scan.take();
    return;
  }
  st.token.len = 0;
  if (long long count = scan.repeat_count(); count > 0) {
    st.repeat_left = count - 1;
    // "3*" alone gives three null values.
    st.repeat_null = ends_value(scan.peek());
    if (st.repeat_null) {
      scan.skip_separator();
      return;
    }
    int sign = scan.peek();
    if (sign == '+' || sign == '-') {
      if (sign == '-') st.token.append('-');
      scan.take();
    }
    st.repeat_value = scan.number(scan.digits());
    scan.skip_separator();
    assign(type, element, st.repeat_value);
    return;
  }
  std::size_t lead = st.token.len - (st.token.len > 0 && st.token.data[0] == '-' ? 1 : 0);
  ListNumber value = scan.number(lead);
  scan.skip_separator();
  assign(type, element, value);
}

int e_rsle() {
  try {
    Unit& u = *run.statement.unit;
    // The rest of the record is never read.
    for (;;) {
      int c = unit_peek(u, kContext);
      if (c < 0) {
        u.eof = true;
        break;
      }
      unit_advance(u);
      if (c == '\n') break;
    }
    statement_finish();
    return 0;
  } catch (const BranchTaken& b) {
    return b.number;
  }
}

int do_lio(const Integer* type, const Integer* count, void* address, Length length) {
  try {
    if (type_size(*type) == 0) io_fail(kErrUnknownType, "unknown type in lio");
    Length stride = *type == kChar ? length : static_cast<Length>(type_size(*type));
    char* element = static_cast<char*>(address);
    bool writing = run.statement.kind == StatementKind::ListWrite;
    for (Integer i = 0; i < *count; ++i, element += stride) {
      if (writing) {
        list_write_item(*type, element, length);
      } else {
        list_read_item(*type, element, length);
      }
    }
    return 0;
  } catch (const BranchTaken& b) {
    return b.number;
  }
}

}  // namespace rt
