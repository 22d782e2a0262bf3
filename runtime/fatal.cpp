#include <cerrno>
#include <cstdlib>

#include "runtime/errors.h"
#include "runtime/frame.h"
#include "runtime/message.h"
#include "runtime/state.h"

namespace rt {

int err__fl(int branch, int number, const char* context) {
  if (branch == 0) f__fatal(number, context);
  if (run.statement.kind != StatementKind::None) statement_abandon();
  if (run.mark == RunMark::InProgress) run.mark = RunMark::Ready;
  errno = number;
  return number;
}

void f__fatal(int number, const char* context) {
  Message line;
  // First line: what failed.
  line << context << ": ";
  if (number >= 0 && number <= 99) {
    line << host_error_text(number);
  } else if (number == kEndOfFile) {
    line << "end of file";
  } else if (std::string_view text = error_text(number); !text.empty()) {
    line << text;
  } else {
    line << "illegal error number " << number;
  }
  line << '\n';
  line.send();
  if (run.fatal_started) {
    line << "(f__fatal already called, aborting.)";
    line.send();
    std::abort();
  }
  run.fatal_started = true;
  // Then where: the unit, the format and the kind of the latest statement.
  if (run.mark != RunMark::Uninitialised) {
    const LastOperation& last = run.last;
    if (last.unit >= 0) {
      line << "apparent state: unit " << last.unit << ' ';
      const char* name = units[last.unit].name;
      if (name != nullptr) {
        line << "named " << name << '\n';
      } else {
        line << "(unnamed)\n";
      }
    } else {
      line << "apparent state: internal I/O\n";
    }
    if (last.format != nullptr) {
      line << "last format: " << std::string_view(last.format, last.format_len) << '\n';
    }
    line << "lately " << (last.reading ? "reading" : "writing") << ' '
         << (last.sequential ? "sequential" : "direct") << ' '
         << (last.formatted ? "formatted" : "unformatted") << ' '
         << (last.external ? "external" : "internal");
    line.send();
  }
  if (run.mark == RunMark::InProgress) run.mark = RunMark::Ready;
  sig_die(" IO", 1);
}

}  // namespace rt
