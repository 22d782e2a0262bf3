// Helpers that run record statements in the test process: items of the
// three kinds the program uses, list-directed statements on a unit, and
// the bytes they leave in a file.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/records/statements.h"
#include "tests/child.h"

namespace testing_support {

struct Item {
  enum Kind { Text, Int, Real } kind;
  std::string text;
  std::int32_t i = 0;
  double d = 0;
};
inline Item T(std::string s) {
  return {Item::Text, std::move(s)};
}
inline Item I(std::int32_t v) {
  return {Item::Int, {}, v};
}
inline Item D(double v) {
  return {Item::Real, {}, 0, v};
}

inline int write_list(int unit, const std::vector<Item>& items) {
  rt::ListWrite statement(unit);
  for (const Item& item : items) {
    switch (item.kind) {
      case Item::Text:
        statement.text(item.text);
        break;
      case Item::Int:
        statement.integer(item.i);
        break;
      case Item::Real:
        statement.real(item.d);
        break;
    }
  }
  return statement.end();
}

using rt::close_unit;
using rt::open_file;
using rt::rewind_unit;

// The bytes that `write` leaves in a fresh file opened on unit 10.
template <typename Write>
std::string written_file(Write write) {
  TempDir dir;
  std::string path = dir.file("out.txt");
  open_file(10, path);
  write();
  close_unit(10);
  return read_file(path);
}

// The bytes that list-directed statements write to a fresh file.
inline std::string list_output(const std::vector<std::vector<Item>>& statements) {
  return written_file([&] {
    for (const auto& items : statements) write_list(10, items);
  });
}

// A file holding `content`, opened on `unit`; returns its path.
inline std::string open_with(const TempDir& dir, int unit, const std::string& content) {
  std::string path = dir.file("in.txt");
  write_file(path, content);
  open_file(unit, path);
  return path;
}

// One "(A)" read into a variable of `width` characters, filled with '?'
// first so that a character the read did not store shows. With
// `end_branch` the statement has an end-of-file branch, and the end of the
// file gives "<eof>"; without it, the end of the file ends the run.
inline std::string read_a(int unit, std::size_t width = 60, bool end_branch = false) {
  std::string text(width, '?');
  int status = rt::FormattedRead(unit, "(A)", {.end = end_branch})
                   .item(text.data(), static_cast<rt::Length>(width))
                   .end();
  return status == 0 ? text : "<eof>";
}

// The next record, its first 20 characters without trailing blanks, or
// "<eof>".
inline std::string next_record(int unit) {
  std::string s = read_a(unit, 20, true);
  return s.substr(0, s.find_last_not_of(' ') + 1);
}

// Escapes a text for gtest's extended regular expressions.
inline std::string ere(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (std::strchr(".[]{}()\\*+?^$|", c) != nullptr) out += '\\';
    out += c;
  }
  return out;
}

}  // namespace testing_support
