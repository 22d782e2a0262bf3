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
    list_.has_data = false;
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

  // An unsigned count; -1 when no digit stands here, -2 when it is too large.
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

  bool item(int depth) {
    int repeat = count();
    if (repeat == 0 || repeat < -1) return false;
    bool counted = repeat > 0;
    if (!counted) repeat = 1;
    char c = next();
    if (c == '\'' || c == '"') return !counted && literal(c);
    ++p_;
    if (c == '(') {
      if (expansion_ * repeat > kMaxGroupExpansion) return false;
      expansion_ *= repeat;
      bool ok = group(repeat, depth + 1);
      expansion_ /= repeat;
      return ok;
    }
    switch (c) {
      case 'X':
        return add({.op = FormatOp::Blanks, .width = repeat});
      case '/':
        for (int i = 0; i < repeat; ++i) {
          if (!add({.op = FormatOp::NewRecord})) return false;
        }
        return true;
      case 'I': {
        int w = count();
        if (w <= 0) return false;
        int m = -1;
        if (next() == '.') {
          ++p_;
          m = count();
          if (m < 0 || m > w) return false;
        }
        list_.has_data = true;
        ++data_;
        return add({.op = FormatOp::Int, .repeat = repeat, .width = w, .digits = m});
      }
      case 'F': {
        int w = count();
        if (w <= 0 || next() != '.') return false;
        ++p_;
        int d = count();
        if (d < 0) return false;
        list_.has_data = true;
        ++data_;
        return add({.op = FormatOp::Fixed, .repeat = repeat, .width = w, .digits = d});
      }
      case 'A': {
        int w = count();
        if (w == 0 || w < -1) return false;
        list_.has_data = true;
        ++data_;
        return add({.op = FormatOp::Alpha, .repeat = repeat, .width = w < 0 ? 0 : w});
      }
      default:
        return false;
    }
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
