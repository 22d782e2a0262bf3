// The fatal I/O error report: what failed, then where, on standard error;
// then the abnormal ending.
#include <cstdlib>
#include <string_view>

#include "runtime/frame/frame.h"
#include "runtime/frame/message.h"
#include "runtime/host/host.h"
#include "runtime/records/errors.h"
#include "runtime/records/layer.h"

namespace rt {

namespace {

constinit bool fatal_started = false;

}  // namespace

void fatal_report_mark_started() {
  fatal_started = true;
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
  if (fatal_started) {
    line << "(f__fatal already called, aborting.)";
    line.send();
    host::abort_through_handler();  // the SIGABRT handler still runs
  }
  fatal_started = true;
  // Then where: the unit, the format and the kind of the latest statement.
  if (units_ready()) {
    const LastOperation& last = last_operation();
    if (last.unit >= 0) {
      line << "apparent state: unit " << last.unit << ' ';
      if (const char* name = unit_name(last.unit); name != nullptr) {
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
    // Every unit of this layer is formatted and external.
    line << "lately " << (last.reading ? "reading" : "writing") << ' '
         << (last.sequential ? "sequential" : "direct") << " formatted external";
    line.send();
  }
  sig_die(" IO", 1);
}

}  // namespace rt
