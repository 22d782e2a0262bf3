// Helpers that run record statements in the test process: items of the
// three kinds the program uses, list-directed statements on a unit, and
// the bytes they leave in a file.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/io.h"
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

inline void do_item(Item& item) {
  const rt::Integer count = 1;
  rt::Integer type;
  switch (item.kind) {
    case Item::Text:
      type = rt::kChar;
      rt::do_lio(&type, &count, item.text.data(), static_cast<rt::Length>(item.text.size()));
      return;
    case Item::Int:
      type = rt::kInt;
      rt::do_lio(&type, &count, &item.i, 4);
      return;
    case Item::Real:
      type = rt::kDouble;
      rt::do_lio(&type, &count, &item.d, 8);
      return;
  }
}

inline int write_list(int unit, std::vector<Item> items) {
  rt::DataControl c;
  c.unit = unit;
  rt::s_wsle(&c);
  for (Item& item : items) do_item(item);
  return rt::e_wsle();
}

inline void open_unit(int unit, const std::string& path, const char* status = "unknown") {
  rt::OpenControl o;
  o.unit = unit;
  o.name = path.c_str();
  o.name_len = static_cast<rt::Length>(path.size());
  o.status = status;
  rt::f_open(&o);
}

inline void close_unit(int unit) {
  rt::CloseControl c;
  c.unit = unit;
  rt::f_clos(&c);
}

inline void rewind_unit(int unit) {
  rt::RewindControl r;
  r.unit = unit;
  rt::f_rew(&r);
}

// The bytes that `write` leaves in a fresh file opened on unit 10.
template <typename Write>
std::string written_file(Write write) {
  TempDir dir;
  std::string path = dir.file("out.txt");
  open_unit(10, path);
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
  open_unit(unit, path);
  return path;
}

// One "(A)" read into a variable of `width` characters, filled with '?'
// first so that a character the read did not store shows. With
// `end_branch` the statement has an end-of-file branch, and the end of the
// file gives "<eof>"; without it, the end of the file ends the run.
inline std::string read_a(int unit, std::size_t width = 60, bool end_branch = false) {
  rt::DataControl c;
  c.unit = unit;
  c.format = "(A)";
  c.end = end_branch ? 1 : 0;
  std::string text(width, '?');
  const rt::Integer one = 1;
  if (rt::s_rsfe(&c) != 0) return "<eof>";
  if (rt::do_fio(&one, text.data(), static_cast<rt::Length>(width)) != 0) return "<eof>";
  rt::e_rsfe();
  return text;
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
