// List-directed input: values separated by blanks, tabs, newlines or one
// comma; null values, "/", repeat counts; the rest of the last record is
// skipped at the end of the statement.
//
// A value is read in two steps: its field (the characters up to the next
// separator) is found, in place in the unit's buffer when it lies there
// whole, else gathered into the token; then the field is parsed as a
// whole by one function that knows the grammar.
#include <limits>

#include "runtime/errors.h"
#include "runtime/io.h"
#include "runtime/list_items.h"
#include "runtime/numconv.h"
#include "runtime/statement.h"

namespace rt {

namespace {

constexpr const char* kContext = "list in";

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_blank(int c) {
  return c == ' ' || c == '\t';
}
// What ends a field.
bool is_separator(int c) {
  return c < 0 || is_blank(c) || c == '\n' || c == ',' || c == '/';
}

bool is_integer_type(Integer type) {
  return type == kByte || type == kShort || type == kInt || type == kLong;
}
bool is_real_type(Integer type) {
  return type == kReal || type == kDouble;
}

// A field as the grammar sees it:
//   [r*] [+|-] digits [. digits] [(E|e|D|d) [+|-] digits | (+|-) digits]
// with at least one digit in the mantissa; "r*" alone is r null values.
struct Field {
  long long repeat = 0;  // 0: no repeat count
  bool null = false;     // "r*" without a value
  ListNumber number;
  const char* text = nullptr;  // the number's characters, for its real reading
  const char* text_end = nullptr;
};

Field parse_field(const char* p, const char* end) {
  Field f;
  // A repeat count: digits and a "*".
  const char* q = p;
  while (q != end && is_digit(*q)) ++q;
  if (q != end && *q == '*') {
    long long count = 0;
    for (const char* d = p; d != q && count <= std::numeric_limits<Integer>::max(); ++d) {
      count = count * 10 + (*d - '0');
    }
    if (q == p || count == 0 || count > std::numeric_limits<Integer>::max()) {
      io_fail(kErrListInput, "bad repetition count");
    }
    f.repeat = count;
    p = q + 1;
    if (p == end) {
      f.null = true;
      return f;
    }
  } else if ((*p == '+' || *p == '-') && p + 1 != end && is_digit(p[1])) {
    // A signed count is no count: "-2*5".
    const char* r = p + 1;
    while (r != end && is_digit(*r)) ++r;
    if (r != end && *r == '*') io_fail(kErrListInput, "bad repetition count");
  }
  if (*p == '*') io_fail(kErrListInput, "bad repetition count");
  f.text = p;
  f.text_end = end;
  // The number.
  bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  unsigned long long magnitude = 0;
  std::size_t digits = 0;
  for (; p != end && is_digit(*p); ++p, ++digits) {
    unsigned d = static_cast<unsigned>(*p - '0');
    if (magnitude > (std::numeric_limits<unsigned long long>::max() - d) / 10) {
      f.number.integer_overflow = true;
    }
    magnitude = magnitude * 10 + d;
  }
  if (p != end && *p == '.') {
    f.number.integral = false;
    for (++p; p != end && is_digit(*p); ++p) ++digits;
  }
  if (digits == 0) io_fail(kErrListInput, "invalid number");
  if (p != end) {
    char c = *p;
    bool letter = c == 'e' || c == 'E' || c == 'd' || c == 'D';
    if (!letter && c != '+' && c != '-') io_fail(kErrListInput, "invalid number");
    f.number.integral = false;
    if (letter) ++p;
    if (p != end && (*p == '+' || *p == '-')) ++p;
    if (p == end || !is_digit(*p)) io_fail(kErrListInput, "exponent field");
    while (p != end && is_digit(*p)) ++p;
    if (p != end) io_fail(kErrListInput, "invalid number");
  }
  if (f.number.integral) {
    constexpr unsigned long long kLimit = 1ULL << 63;
    if (magnitude > kLimit - (negative ? 0 : 1)) f.number.integer_overflow = true;
    f.number.integer =
        negative ? static_cast<long long>(0ULL - magnitude) : static_cast<long long>(magnitude);
  }
  return f;
}

// The real reading of a number's text: "1.5-3" -> 1.5e-3, "2D0" -> 2e0.
double real_of(const char* p, const char* end, Record& tok) {
  tok.len = 0;
  if (*p == '+') ++p;
  for (; p != end; ++p) {
    char c = *p;
    if (c == 'E' || c == 'd' || c == 'D') {
      c = 'e';
    } else if ((c == '+' || c == '-') && tok.len > 0 && tok.data[tok.len - 1] != 'e' &&
               tok.data[tok.len - 1] != '-') {
      tok.append('e');  // a sign right after the digits opens the exponent
    }
    if (c != '+') tok.append(c);
  }
  tok.extend(1);  // room for a terminator
  --tok.len;
  return num::parse_decimal(tok.data, tok.len);
}

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
  if (value.integer_overflow || !fits(value.integer, size)) {
    io_fail(kErrListInput, "integer overflow");
  }
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

// Skips blanks, tabs and newlines up to the next value; the end of the
// file here ends the run.
int skip_to_value(Unit& u) {
  for (;;) {
    const char* p = u.buf + u.rpos;
    const char* end = u.buf + u.len;
    while (p != end && (*p == ' ' || *p == '\t' || *p == '\n')) ++p;
    u.rpos = static_cast<std::size_t>(p - u.buf);
    if (p != end) return static_cast<unsigned char>(*p);
    if (unit_refill(u, kContext) < 0) io_fail(kEndOfFile, kContext);
  }
}

// After a value: blanks and tabs, then one comma.
void skip_separator(Unit& u) {
  int c = unit_peek(u, kContext);
  while (is_blank(c)) {
    unit_advance(u);
    c = unit_peek(u, kContext);
  }
  if (c == ',') unit_advance(u);
}

// The field that starts at the unit's position, consumed; in place when
// it lies whole in the buffer, else gathered into the token.
Field take_field(Unit& u, Record& tok) {
  const char* start = u.buf + u.rpos;
  const char* end = u.buf + u.len;
  const char* p = start;
  while (p != end && !is_separator(static_cast<unsigned char>(*p))) ++p;
  if (p != end) {
    u.rpos = static_cast<std::size_t>(p - u.buf);
    return parse_field(start, p);
  }
  tok.len = 0;
  for (int c = unit_peek(u, kContext); !is_separator(c); c = unit_peek(u, kContext)) {
    tok.append(static_cast<char>(c));
    unit_advance(u);
  }
  return parse_field(tok.data, tok.data + tok.len);
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
  Unit& u = *st.unit;
  int c = skip_to_value(u);
  if (c == '/') {
    unit_advance(u);
    st.items_ended = true;
    return;
  }
  if (c == ',') {
    unit_advance(u);
    return;
  }
  Field f = take_field(u, st.token);
  if (f.repeat > 0) {
    // "3*" alone gives three null values; "3*7" three sevens.
    st.repeat_left = f.repeat - 1;
    st.repeat_null = f.null;
    skip_separator(u);
    if (f.null) return;
    f.number.real = real_of(f.text, f.text_end, st.record);
    st.repeat_value = f.number;
    assign(type, element, f.number);
    return;
  }
  if (is_real_type(type)) f.number.real = real_of(f.text, f.text_end, st.record);
  skip_separator(u);
  assign(type, element, f.number);
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
