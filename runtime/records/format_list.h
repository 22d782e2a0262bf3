// A format item list, parsed once per statement into a flat list of items
// that knows nothing about output or input; the walker performs them.
//
//   "(1X,'Check: ',I3,F15.11)" ->
//     Open(1) Blanks(1) Literal("Check: ") Integer(3) Fixed(15.11) Close
#pragma once

#include <cstddef>

namespace rt {

enum class FormatOp : unsigned char {
  Blanks,     // nX: n positions to the right
  Literal,    // 'text' or "text"
  NewRecord,  // /
  Int,        // Iw or Iw.m
  Fixed,      // Fw.d
  Alpha,      // A or Aw
  Open,       // r( : a group repeated r times
  Close,      // )
};

struct FormatItem {
  FormatOp op = FormatOp::Close;
  int repeat = 1;  // data descriptors and groups
  int width = 0;   // Blanks: count; Integer, Fixed: w; Alpha: w or 0 for the variable's length
  int digits = 0;  // Integer: m (-1 when absent); Fixed: d
  const char* text = nullptr;  // Literal: the characters between the delimiters
  int text_len = 0;
  char delim = 0;  // Literal: a doubled delimiter stands for one
  int match = 0;   // Close: index of its Open

  bool takes_data() const {
    return op == FormatOp::Int || op == FormatOp::Fixed || op == FormatOp::Alpha;
  }
};

inline constexpr int kMaxFormatDepth = 16;
// The product of the repeat counts of nested groups: beyond it a list would
// expand to more output than any record needs, and is refused.
inline constexpr long kMaxGroupExpansion = 100000;
// The items that one pass over a whole list performs, every repeat counted:
// beyond it a statement could write millions of records between two items.
inline constexpr long kMaxListWork = 1000000;
inline constexpr int kMaxFieldWidth = 999;

struct FormatList {
  FormatItem* items = nullptr;
  std::size_t count = 0;
  std::size_t cap = 0;
  std::size_t revert = 1;  // where the list starts over when items remain

  // Whether any item takes data (a list without one cannot start over).
  bool has_data() const {
    for (std::size_t i = 0; i < count; ++i) {
      if (items[i].takes_data()) return true;
    }
    return false;
  }
};

// Parses `text` into `list`. Returns false when the list cannot be parsed.
bool parse_format(const char* text, FormatList& list);

// The length of a faulty list as the fatal report quotes it: up to the end
// of the text, or the parenthesis that closes the outermost group, or 80
// characters (and a closing parenthesis right after them).
std::size_t faulty_format_length(const char* text);

}  // namespace rt
