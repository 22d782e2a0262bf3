// Formatted statements: the format item list is parsed once at the start;
// each item call walks it to the next data descriptor, performing the
// descriptors that take no data on the way, and converts the item.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "runtime/records/errors.h"
#include "runtime/records/io.h"
#include "runtime/records/list_items.h"
#include "runtime/records/number_scan.h"
#include "runtime/records/numconv.h"
#include "runtime/records/statement.h"

namespace rt {

namespace {

constexpr const char* kContext = "fmt";

Statement& st() {
  return statement;
}
bool reading() {
  return st().kind == StatementKind::FormatRead;
}
// False outside a formatted statement, as after its error branch was taken.
bool in_statement() {
  return st().kind == StatementKind::FormatWrite || st().kind == StatementKind::FormatRead;
}

// Input: up to n characters of the current record into the token, blanks
// for the part beyond the record's end. The end of the file before the
// record's newline ends the run.
const char* read_field(std::size_t n) {
  Unit& u = *st().unit;
  Record& tok = st().token;
  tok.len = 0;
  char* field = tok.extend(n + 1);
  std::size_t k = 0;
  for (; k < n; ++k) {
    int c = unit_peek(u, kContext);
    if (c < 0) io_fail(kEndOfFile, kContext);
    if (c == '\n') break;
    field[k] = static_cast<char>(c);
    unit_advance(u);
  }
  std::memset(field + k, ' ', n - k);
  return field;
}

// The characters that a literal stands for: 'it''s' is 4.
std::size_t literal_length(const FormatItem& item) {
  std::size_t n = 0;
  for (int i = 0; i < item.text_len; ++i, ++n) {
    if (item.text[i] == item.delim) ++i;
  }
  return n;
}

// 'it''s' -> it's; a literal without a doubled delimiter goes in one piece.
void put_literal(const FormatItem& item) {
  const std::size_t n = static_cast<std::size_t>(item.text_len);
  if (std::memchr(item.text, item.delim, n) == nullptr) {
    st().record.append(item.text, n);
    return;
  }
  for (std::size_t i = 0; i < n; ++i) {
    st().record.append(item.text[i]);
    if (item.text[i] == item.delim) ++i;
  }
}

void perform(const FormatItem& item) {
  switch (item.op) {
    case FormatOp::Blanks:
      if (reading()) {
        read_field(static_cast<std::size_t>(item.width));
      } else {
        st().record.append_blanks(static_cast<std::size_t>(item.width));
      }
      return;
    case FormatOp::Literal:
      if (reading()) {
        read_field(literal_length(item));  // as many as it writes
      } else {
        put_literal(item);
      }
      return;
    case FormatOp::NewRecord:
      if (reading()) {
        unit_skip_record(*st().unit, kContext);
      } else {
        statement_emit_record();
      }
      return;
    default:
      return;
  }
}

// Walks to the next data descriptor and returns it; at the end of the list
// returns null, or, when an item still needs one, begins a new record and
// starts the list over at its last top-level group.
const FormatItem* walk_to_data(bool item_waiting) {
  Statement& s = st();
  FormatList& f = s.format;
  for (;;) {
    const FormatItem& item = f.items[s.walk];
    if (item.takes_data()) return &item;
    if (item.op == FormatOp::Open) {
      s.group_left[s.depth++] = item.repeat;
      ++s.walk;
    } else if (item.op != FormatOp::Close) {
      perform(item);
      ++s.walk;
    } else if (--s.group_left[s.depth - 1] > 0) {
      s.walk = static_cast<std::size_t>(item.match) + 1;
    } else if (s.depth > 1) {
      --s.depth;
      ++s.walk;
    } else {
      if (!item_waiting) return nullptr;
      if (!f.has_data()) io_fail(kErrFormat, kContext);
      perform({.op = FormatOp::NewRecord});
      s.group_left[0] = 1;
      s.walk = f.revert;
    }
  }
}

// I editing takes integers of 1, 2, 4 or 8 bytes, F editing reals of 4 or
// 8; any other item length meeting them is refused, never read past.
void check_length(const FormatItem& item, Length length) {
  bool fits = item.op == FormatOp::Int ? (length == 1 || length == 2 || length == 4 || length == 8)
                                       : item.op != FormatOp::Fixed || length == 4 || length == 8;
  if (!fits) io_fail(kErrBadType, kContext);
}

void write_item(const FormatItem& item, const char* element, Length length) {
  Record& rec = st().record;
  std::size_t w = static_cast<std::size_t>(item.width);
  switch (item.op) {
    case FormatOp::Int: {
      Integer type = length == 1 ? kByte : length == 2 ? kShort : length == 4 ? kInt : kLong;
      num::edit_integer(load_integer(type, element), item.width, item.digits < 0 ? 1 : item.digits,
                        rec.extend(w));
      return;
    }
    case FormatOp::Fixed: {
      double x = length == 4 ? static_cast<double>(load<float>(element)) : load<double>(element);
      num::edit_fixed(x, item.width, item.digits, rec.extend(w));
      return;
    }
    default: {
      // Aw: the leftmost w characters, or blanks and then the variable.
      std::size_t n = text_size(length);
      if (w == 0) w = n;
      if (w > n) rec.append_blanks(w - n);
      rec.append(element, std::min(w, n));
      return;
    }
  }
}

// Iw and Fw.d on input: the number scanner's grammar, blanks ignored, an
// empty field zero. An integer takes neither a point nor an exponent, and
// overflows as in list input; Fw.d without a point places one d digits
// from the right.
void read_number(const FormatItem& item, char* element, Length length) {
  const char* field = read_field(static_cast<std::size_t>(item.width));
  Record& text = st().number;
  ScannedForm form;
  if (scan_number(field, field + item.width, ScanRule::Field, text, form) != ScanResult::Number) {
    io_fail(kErrUnexpectedChar, kContext);
  }
  if (item.op == FormatOp::Int) {
    if (form.point || form.exponent) io_fail(kErrUnexpectedChar, kContext);
    ScannedNumber n = read_scanned(text, form, false);
    std::size_t size = static_cast<std::size_t>(length);
    if (n.integer_overflow || !integer_fits(n.integer, size)) {
      io_fail(kErrListInput, "integer overflow");
    }
    store_integer(size, element, n.integer);
    return;
  }
  // 12345 in F7.2 -> 123.45; 1e3 -> 10.
  if (!form.point && item.digits > 0) form.scale -= item.digits;
  double value = read_scanned(text, form, true).real;
  if (length == 4)
    store(element, static_cast<float>(value));
  else
    store(element, value);
}

// Aw on input: w characters of the record; the rightmost of them when the
// variable is shorter, padded with blanks when it is longer.
void read_text(const FormatItem& item, char* element, Length length) {
  std::size_t n = text_size(length);
  std::size_t w = item.width == 0 ? n : static_cast<std::size_t>(item.width);
  const char* field = read_field(w);
  if (w >= n) {
    std::memcpy(element, field + (w - n), n);
  } else {
    std::memcpy(element, field, w);
    std::memset(element + w, ' ', n - w);
  }
}

// The format of the statement, or the fatal report for one that cannot be
// parsed, quoting as much of it as the report shows. The same text at the
// same place as the last statement's is not parsed again: its literals
// still point into it.
void take_format(const char* format) {
  Statement& s = st();
  const std::size_t len = std::strlen(format);
  const bool same = s.format_source == format && s.format_copy.len == len &&
                    std::memcmp(s.format_copy.data, format, len) == 0;
  if (!same) {
    s.format_source = nullptr;
    if (!parse_format(format, s.format)) {
      note_format(format, faulty_format_length(format));
      io_fail(kErrFormat, "startio");
    }
    s.format_copy.len = 0;
    s.format_copy.append(format, len);
    s.format_source = format;
  }
  note_format(format, len);
  s.walk = 0;
  s.depth = 0;
  s.repeat_done = 0;
}

int end_statement() {
  if (!in_statement()) return 0;
  return with_branches([&] {
    walk_to_data(false);
    if (reading()) {
      unit_skip_record(*st().unit, kContext);
    } else {
      statement_emit_record();
    }
    statement_finish();
    note_format(nullptr, 0);
  });
}

}  // namespace

int s_wsfe(const DataControl* control) {
  return with_branches([&] {
    Unit& u = statement_start(*control, StatementKind::FormatWrite, "startio");
    take_format(control->format);
    unit_to_writing(u, "write start");
  });
}

int s_rsfe(const DataControl* control) {
  return with_branches([&] {
    Unit& u = statement_start(*control, StatementKind::FormatRead, "startio");
    take_format(control->format);
    statement_prepare_read(u);
  });
}

int do_fio(const Integer* count, void* address, Length length) {
  if (!in_statement()) return 0;
  return with_branches([&] {
    Statement& s = st();
    char* element = static_cast<char*>(address);
    for (Integer i = 0; i < *count; ++i, element += length) {
      const FormatItem& item = *walk_to_data(true);
      check_length(item, length);
      if (reading()) {
        if (item.op == FormatOp::Alpha) {
          read_text(item, element, length);
        } else {
          read_number(item, element, length);
        }
      } else {
        write_item(item, element, length);
      }
      if (++s.repeat_done == item.repeat) {
        s.repeat_done = 0;
        ++s.walk;
      }
    }
  });
}

int e_wsfe() {
  return end_statement();
}
int e_rsfe() {
  return end_statement();
}

}  // namespace rt
