// List-directed output: each item laid out from its kind, a new record
// begun when an item would reach the line width of 80.
#include <cstring>

#include "runtime/records/errors.h"
#include "runtime/records/io.h"
#include "runtime/records/list_items.h"
#include "runtime/records/numconv.h"
#include "runtime/records/statement.h"

namespace rt {

namespace {

constexpr std::size_t kLineWidth = 80;

Record& record() {
  return statement.record;
}

// Begins a new record when `counted` more characters would reach the
// line width; the first item of a record never moves.
void make_room(std::size_t counted) {
  std::size_t pos = record().len;
  if (pos != 0 && pos + counted >= kLineWidth) statement_emit_record();
}

// "x =" -> " x =" at the start of a record, "x =" after other items.
void put_text(const char* text, std::size_t n) {
  make_room(n);
  if (record().len == 0) record().append(' ');
  record().append(text, n);
}

// -12 -> " -12"; only the digits count toward the line width.
void put_integer(long long value) {
  char text[24];
  unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                           : static_cast<unsigned long long>(value);
  std::size_t digits = num::magnitude_digits(magnitude, text);
  make_room(digits);
  char* at = record().extend(digits + (value < 0 ? 2 : 1));
  *at++ = ' ';
  if (value < 0) *at++ = '-';
  std::memcpy(at, text, digits);
}

void put_double(double value) {
  char text[num::kListDoubleRoom];
  std::size_t n = num::list_double(value, text);
  make_room(n);
  record().append(text, n);
}

void put_logical(bool value) {
  make_room(1);
  record().append(' ');
  record().append(value ? 'T' : 'F');
}

// (1.5,-2.) as one unit: " (" real "," imaginary ")".
void put_complex(double re, double im) {
  char a[num::kListDoubleRoom];
  char b[num::kListDoubleRoom];
  std::size_t na = num::list_double(re, a);
  std::size_t nb = num::list_double(im, b);
  // The number texts without their leading blank; the sign column stays.
  make_room(na + nb + 1);
  record().append(" (", 2);
  record().append(a + 1, na - 1);
  record().append(',');
  record().append(b + 1, nb - 1);
  record().append(')');
}

}  // namespace

int s_wsle(const DataControl* control) {
  return with_branches([&] {
    Unit& u = statement_start(*control, StatementKind::ListWrite, "stler");
    unit_to_writing(u, "list output start");
  });
}

void list_write_item(Integer type, const char* element, Length length) {
  switch (type) {
    case kChar:
      put_text(element, text_size(length));
      return;
    case kDouble:
      put_double(load<double>(element));
      return;
    case kReal:
      put_double(static_cast<double>(load<float>(element)));
      return;
    case kComplex:
      put_complex(static_cast<double>(load<float>(element)),
                  static_cast<double>(load<float>(element + sizeof(float))));
      return;
    case kDoubleComplex:
      put_complex(load<double>(element), load<double>(element + sizeof(double)));
      return;
    case kLogical:
    case kLogical1:
    case kLogical2:
      put_logical(load_integer(type, element) != 0);
      return;
    default:
      put_integer(load_integer(type, element));
      return;
  }
}

int e_wsle() {
  // Outside its statement (after an error branch was taken): nothing.
  if (statement.kind != StatementKind::ListWrite) return 0;
  return with_branches([&] {
    statement_emit_record();
    statement_finish();
  });
}

}  // namespace rt
