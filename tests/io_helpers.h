// Helpers that run record statements in the test process: items of the
// three kinds the program uses, list-directed statements on a unit, and
// the bytes they leave in a file.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/records/layer.h"
#include "runtime/records/statements.h"
#include "tests/files.h"

namespace testing_support {

// The end of a death test's standard error after the program's last line:
// an emulator adds a line of its own when the program aborts.
#ifdef MELD_EMULATOR
inline const std::string kReportEnd = "(qemu: uncaught target signal [^\n]*\n)?$";
#else
inline const std::string kReportEnd = "$";
#endif

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

// One item call of a writing statement for each of `items`.
template <typename Statement>
Statement& put_items(Statement& statement, const std::vector<Item>& items) {
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
  return statement;
}

inline int write_list(int unit, const std::vector<Item>& items) {
  rt::ListWrite statement(unit);
  return put_items(statement, items).end();
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

// What `write` hands to standard output through unit 6: the records reach
// a temporary file that stands in for descriptor 1 meanwhile.
template <typename Write>
std::string console_output(Write write) {
  TempDir dir;
  const std::string path = dir.file("console");
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
#ifdef _WIN32
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_BINARY, 0644);
#else
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
#endif
  dup2(fd, STDOUT_FILENO);
  close(fd);
  write();
  rt::console_hand_over();
  dup2(saved, STDOUT_FILENO);
  close(saved);
  return read_file(path);
}

// The fatal report as a death test's pattern: its first line as it stands;
// then, when given, the lines that say where (a regular expression, up to
// the "lately" line's last word), and the report's end.
inline std::string fatal_report(const std::string& first_line, const std::string& where = {}) {
  std::string pattern = "^" + ere(first_line) + "\n";
  if (!where.empty()) pattern += where + " IO\n" + kReportEnd;
  return pattern;
}

}  // namespace testing_support

// Asserts that `statement` ends the process with the fatal report and its
// abort; the arguments after it are those of fatal_report.
// (On Windows an abort ends the process with status 3.)
#ifdef _WIN32
#define EXPECT_FATAL_REPORT(statement, ...) \
  EXPECT_EXIT(statement, ::testing::ExitedWithCode(3), ::testing_support::fatal_report(__VA_ARGS__))
#else
#define EXPECT_FATAL_REPORT(statement, ...)                  \
  EXPECT_EXIT(statement, ::testing::KilledBySignal(SIGABRT), \
              ::testing_support::fatal_report(__VA_ARGS__))
#endif
