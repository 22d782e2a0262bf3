#include "runtime/records/errors.h"

#include <array>
#include <cerrno>
#include <cstdlib>

#include "runtime/records/statement.h"

namespace rt {

namespace {

constexpr int kFirst = 100;
constexpr std::array<std::string_view, 33> kTexts = {
    "error in format",                         // 100
    "illegal unit number",                     // 101
    "formatted io not allowed",                // 102
    "unformatted io not allowed",              // 103
    "direct io not allowed",                   // 104
    "sequential io not allowed",               // 105
    "can't backspace file",                    // 106
    "null file name",                          // 107
    "can't stat file",                         // 108
    "unit not connected",                      // 109
    "off end of record",                       // 110
    "truncation failed in endfile",            // 111
    "incomprehensible list input",             // 112
    "out of free space",                       // 113
    "unit not connected",                      // 114
    "read unexpected character",               // 115
    "bad logical input field",                 // 116
    "bad variable type",                       // 117
    "bad namelist name",                       // 118
    "variable not in namelist",                // 119
    "no end record",                           // 120
    "variable count incorrect",                // 121
    "subscript for scalar variable",           // 122
    "invalid array section",                   // 123
    "substring out of bounds",                 // 124
    "subscript out of bounds",                 // 125
    "can't read file",                         // 126
    "can't write file",                        // 127
    "'new' file exists",                       // 128
    "can't append to file",                    // 129
    "non-positive record number",              // 130
    "I/O started while already doing I/O",     // 131
    "Temporary file name (TMPDIR?) too long",  // 132
};

}  // namespace

std::string_view error_text(int number) {
  if (number < kFirst || number >= kFirst + static_cast<int>(kTexts.size())) return {};
  return kTexts[static_cast<std::size_t>(number - kFirst)];
}

namespace {

constinit FatalReport fatal_report = nullptr;

}  // namespace

void set_fatal_report(FatalReport report) {
  fatal_report = report;
}

void io_fatal(int number, const char* context) {
  if (fatal_report != nullptr) fatal_report(number, context);
  std::abort();
}

int err__fl(int branch, int number, const char* context) {
  if (branch == 0) io_fatal(number, context);
  statement_abandon();
  errno = number;
  return number;
}

void io_fail(int number, const char* context) {
  bool branch = number == kEndOfFile ? statement.end_branch : statement.err_branch;
  err__fl(branch ? 1 : 0, number, context);
  throw BranchTaken{number};
}

}  // namespace rt
