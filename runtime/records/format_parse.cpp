#include <cstdlib>
#include <cstring>

#include "runtime/records/errors.h"
#include "runtime/records/format_list.h"

namespace rt {

namespace {

// A scanner over the format text that skips blanks outside literals and
// stops at the first character it cannot take.
class FormatParser {
 public:
  FormatParser(const char* text, FormatList& list) : p_(text), list_(list) {}

  bool parse() {
    list_.count = 0;
    list_.revert = 1;
    if (next() != '(') return false;
    ++p_;
    return group(1, 0);
  }

 private:
  // Skips blanks and returns the next character in upper case.
  char next() {
    while (*p_ == ' ' || *p_ == '\t') ++p_;
    char c = *p_;
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }

  // An unsigned count; -1 when no digit stands here, -2 when it is too
  // large. Blanks between its digits are passed over ("1 5X" is 15X), as
  // everywhere outside literals: the list reads the same however it is
  // spaced.
  int count() {
    next();
    if (*p_ < '0' || *p_ > '9') return -1;
    long value = 0;
    while (*p_ >= '0' && *p_ <= '9') {
      value = value * 10 + (*p_++ - '0');
      if (value > kMaxFieldWidth) return -2;
      while (*p_ == ' ' || *p_ == '\t') ++p_;
    }
    return static_cast<int>(value);
  }

  // ".n" after a width, when a point stands here; -1 without one, -2 for a
  // point without a count.
  int dot_count() {
    if (next() != '.') return -1;
    ++p_;
    int n = count();
    return n < 0 ? -2 : n;
  }

  bool add(const FormatItem& item) {
    // Each item is performed once per pass of every group around it.
    work_ += expansion_;
    if (work_ > kMaxListWork) return false;
    if (list_.count == list_.cap) {
      std::size_t cap = list_.cap ? list_.cap * 2 : 16;
      void* grown = std::realloc(list_.items, cap * sizeof(FormatItem));
      if (grown == nullptr) io_fail(kErrNoMemory, "malloc failure");
      list_.items = static_cast<FormatItem*>(grown);
      list_.cap = cap;
    }
    list_.items[list_.count++] = item;
    return true;
  }

  // The items of a group whose "(" has been taken, up to its ")".
  bool group(int repeat, int depth) {
    if (depth >= kMaxFormatDepth) return false;
    std::size_t open = list_.count;
    long data_before = data_;
    if (!add({.op = FormatOp::Open, .repeat = repeat})) return false;
    for (;;) {
      char c = next();
      if (c == ')') {
        ++p_;
        break;
      }
      if (c == ',') {
        ++p_;
        continue;
      }
      if (!item(depth)) return false;
    }
    // The list starts over at its last top-level group that takes data.
    if (depth == 1 && data_ > data_before) list_.revert = open;
    return add({.op = FormatOp::Close, .match = static_cast<int>(open)});
  }

  // One item of a group: an optional repeat count, then a literal, a
  // nested group or a descriptor.
  bool item(int depth) {
    int repeat = count();
    if (repeat == 0 || repeat < -1) return false;
    char c = next();
    // A literal takes no repeat count: "2'ab'" is refused rather than
    // guessed at, since older lists used a count before text as its length.
    if (c == '\'' || c == '"') return repeat == -1 && literal(c);
    if (repeat == -1) repeat = 1;
    ++p_;
    switch (c) {
      case '(':
        return nested_group(repeat, depth);
      case 'X':
        return add({.op = FormatOp::Blanks, .width = repeat});
      case '/':
        return new_records(repeat);
      case 'I':
        return int_descriptor(repeat);
      case 'F':
        return fixed_descriptor(repeat);
      case 'A':
        return alpha_descriptor(repeat);
      default:
        return false;
    }
  }

  // r(...): the group's passes multiply the work of every item inside.
  bool nested_group(int repeat, int depth) {
    if (expansion_ * repeat > kMaxGroupExpansion) return false;
    expansion_ *= repeat;
    bool ok = group(repeat, depth + 1);
    expansion_ /= repeat;
    return ok;
  }

  // r/: r record ends.
  bool new_records(int repeat) {
    for (int i = 0; i < repeat; ++i) {
      if (!add({.op = FormatOp::NewRecord})) return false;
    }
    return true;
  }

  // rIw or rIw.m, with 0 <= m <= w.
  bool int_descriptor(int repeat) {
    int w = count();
    int m = dot_count();
    if (w <= 0 || m < -1 || m > w) return false;
    return add_data({.op = FormatOp::Int, .repeat = repeat, .width = w, .digits = m});
  }

  // rFw.d: the point and d are required.
  bool fixed_descriptor(int repeat) {
    int w = count();
    int d = dot_count();
    if (w <= 0 || d < 0) return false;
    return add_data({.op = FormatOp::Fixed, .repeat = repeat, .width = w, .digits = d});
  }

  // rA or rAw; without w the variable's length.
  bool alpha_descriptor(int repeat) {
    int w = count();
    if (w == 0 || w < -1) return false;
    return add_data({.op = FormatOp::Alpha, .repeat = repeat, .width = w < 0 ? 0 : w});
  }

  bool add_data(const FormatItem& item) {
    ++data_;
    return add(item);
  }

  // 'it''s' -> it's
  bool literal(char delim) {
    const char* start = ++p_;
    for (;;) {
      if (*p_ == '\0') return false;
      if (*p_ == delim) {
        if (p_[1] != delim) break;
        ++p_;
      }
      ++p_;
    }
    int len = static_cast<int>(p_ - start);
    ++p_;
    return add({.op = FormatOp::Literal, .text = start, .text_len = len, .delim = delim});
  }

  const char* p_;
  FormatList& list_;
  long expansion_ = 1;  // product of the repeats of the open groups
  long work_ = 0;       // items that one pass over the whole list performs
  long data_ = 0;       // data descriptors so far
};

}  // namespace

bool parse_format(const char* text, FormatList& list) {
  return FormatParser(text, list).parse();
}

std::size_t faulty_format_length(const char* text) {
  constexpr std::size_t kLimit = 80;
  std::size_t len = 0;
  int depth = 0;
  char quote = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (len == kLimit) {
      if (*p == ')') ++len;
      break;
    }
    ++len;
    if (quote != 0) {
      if (*p == quote) quote = 0;
    } else if (*p == '\'' || *p == '"') {
      quote = *p;
    } else if (*p == '(') {
      ++depth;
    } else if (*p == ')' && --depth <= 0) {
      break;
    }
  }
  return len;
}

}  // namespace rt
