// List-directed input: values separated by blanks, tabs, newlines or one
// comma; null values, "/", repeat counts; the rest of the last record is
// skipped at the end of the statement.
//
// The common value, a plain number such as "12" or "-3.25" lying whole in
// the unit's buffer, is converted on the spot (read_plain). Any other value
// is read in two steps: its field (the characters up to the next
// separator) is found, in place in the buffer when it lies there whole,
// else gathered into the token; then the field is parsed as a whole
// (parse_field): its repeat count here, its number by the layer's number
// scanner (number_scan.h), errors included.
#include <cstdint>
#include <cstring>
#include <limits>

#include "runtime/records/errors.h"
#include "runtime/records/io.h"
#include "runtime/records/list_items.h"
#include "runtime/records/list_plain.h"
#include "runtime/records/number_scan.h"
#include "runtime/records/numconv.h"
#include "runtime/records/statement.h"

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

// A field: "[r*] number", or "r*" alone for r null values.
struct Field {
  long long repeat = 0;  // 0: no repeat count
  bool null = false;     // "r*" without a value
  ScannedNumber number;
};

// The field [p, end) as a whole, errors included. Its number's mantissa
// goes into `text`, which must not hold the field; the real reading is
// made when `want_real` is set.
Field parse_field(const char* p, const char* end, Record& text, bool want_real) {
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
    want_real = true;  // the value may go to items of either kind
  } else if (q == p && p != end && (*p == '+' || *p == '-')) {
    // A signed count is no count: "-2*5".
    const char* r = p + 1;
    while (r != end && is_digit(*r)) ++r;
    if (r != p + 1 && r != end && *r == '*') io_fail(kErrListInput, "bad repetition count");
  }
  if (*p == '*') io_fail(kErrListInput, "bad repetition count");
  ScannedForm form;
  switch (scan_number(p, end, ScanRule::List, text, form)) {
    case ScanResult::Number:
      break;
    case ScanResult::ExponentDigits:
      io_fail(kErrListInput, "exponent field");
    default:
      io_fail(kErrListInput, "invalid number");
  }
  f.number = read_scanned(text, form, want_real);
  return f;
}

void assign(Integer type, char* element, const ScannedNumber& value) {
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
  if (value.integer_overflow || !integer_fits(value.integer, size)) {
    io_fail(kErrListInput, "integer overflow");
  }
  store_integer(size, element, value.integer);
}

// Skips blanks, tabs and newlines up to the next value; the end of the
// file here ends the run.
int skip_to_value(Unit& u) {
  for (;;) {
    const char* p = unit_next(u);
    const char* end = unit_end(u);
    while (p != end && (*p == ' ' || *p == '\t' || *p == '\n')) ++p;
    unit_take_to(u, p);
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
Field take_field(Unit& u, Record& tok, Record& text, bool want_real) {
  const char* start = unit_next(u);
  const char* end = unit_end(u);
  const char* p = start;
  while (p != end && !is_separator(static_cast<unsigned char>(*p))) ++p;
  if (p != end) {
    unit_take_to(u, p);
    return parse_field(start, p, text, want_real);
  }
  tok.len = 0;
  for (int c = unit_peek(u, kContext); !is_separator(c); c = unit_peek(u, kContext)) {
    tok.append(static_cast<char>(c));
    unit_advance(u);
  }
  return parse_field(tok.data, tok.data + tok.len, text, want_real);
}

}  // namespace

int s_rsle(const DataControl* control) {
  return with_branches([&] {
    Unit& u = statement_start(*control, StatementKind::ListRead, "stler");
    statement_prepare_read(u);
  });
}

namespace {

// Every value that the plain path does not take: null values, "/", repeat
// counts, exponents, long numbers, fields across a refill of the buffer,
// and every error.
[[gnu::noinline]] void read_item(Statement& st, Integer type, char* element) {
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
  // The field may lie in the token; its number's mantissa goes into the
  // statement's number text.
  Field f = take_field(u, st.token, st.number, is_real_type(type));
  if (f.repeat > 0) {
    // "3*" alone gives three null values; "3*7" three sevens.
    st.repeat_left = f.repeat - 1;
    st.repeat_null = f.null;
    skip_separator(u);
    if (f.null) return;
    st.repeat_value = f.number;
    assign(type, element, f.number);
    return;
  }
  skip_separator(u);
  assign(type, element, f.number);
}

}  // namespace

void list_read_item(Integer type, char* element, Length /*length*/) {
  Statement& st = statement;
  if (st.items_ended) return;
  if (!is_integer_type(type) && !is_real_type(type)) io_fail(kErrBadType, kContext);
  if (st.repeat_left == 0 && read_plain(*st.unit, type, element)) return;
  read_item(st, type, element);
}

namespace {

// Skips the rest of the record, across refills of the buffer.
[[gnu::noinline]] int skip_record_rest(Unit& u) {
  return with_branches([&] {
    unit_skip_record(u, kContext);
    statement_finish();
  });
}

}  // namespace

int e_rsle() {
  // Outside its statement (after an error branch was taken): nothing.
  if (statement.kind != StatementKind::ListRead) return 0;
  // The rest of the record is never read; usually it is only its end.
  Unit& u = *statement.unit;
  if (unit_next(u) != unit_end(u) && *unit_next(u) == '\n') {
    unit_advance(u);
    statement_finish();
    return 0;
  }
  return skip_record_rest(u);
}

namespace {

// The item call in general: `count` items of a list-directed read or write.
[[gnu::noinline]] int transfer_items(const Integer* type, const Integer* count, void* address,
                                     Length length) {
  const StatementKind kind = statement.kind;
  // Outside its statement (after an error branch was taken): nothing.
  if (kind != StatementKind::ListRead && kind != StatementKind::ListWrite) return 0;
  return with_branches([&] {
    const std::size_t size = type_size(*type);
    if (size == 0) io_fail(kErrUnknownType, "unknown type in lio");
    const Length stride = *type == kChar ? length : static_cast<Length>(size);
    char* element = static_cast<char*>(address);
    if (kind == StatementKind::ListRead) {
      for (Integer i = 0; i < *count; ++i, element += stride)
        list_read_item(*type, element, length);
    } else {
      for (Integer i = 0; i < *count; ++i, element += stride)
        list_write_item(*type, element, length);
    }
  });
}

}  // namespace

int do_lio(const Integer* type, const Integer* count, void* address, Length length) {
  // The common call on its own: one plain number read from the buffer.
  Statement& st = statement;
  if (st.kind == StatementKind::ListRead && *count == 1 && st.repeat_left == 0 && !st.items_ended &&
      read_plain(*st.unit, *type, static_cast<char*>(address))) {
    return 0;
  }
  return transfer_items(type, count, address, length);
}

}  // namespace rt
