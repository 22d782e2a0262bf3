// Drives the frame's entry points for the tests of its endings: the first
// argument names what the program does.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/frame/frame.h"
#include "runtime/records/statements.h"

namespace {

std::string arg(int k) {
  return rt::program_argument(k);
}

// A hardware division by zero, which the sanitizer must not intercept.
__attribute__((noinline, no_sanitize("integer-divide-by-zero"))) rt::Integer divide(rt::Integer x,
                                                                                    rt::Integer y) {
  return x / y;
}

}  // namespace

void main_program() {
  const std::string what = arg(1);
  if (what == "stop") {
    rt::ListWrite(6).text("before").end();
    std::string text = arg(2);
    rt::s_stop(text.data(), static_cast<rt::Length>(text.size()));
  }
  if (what == "pause") {
    rt::ListWrite(6).text("before").end();
    std::string text = arg(2);
    rt::s_paus(text.data(), static_cast<rt::Length>(text.size()));
    rt::ListWrite(6).text("after").end();
    rt::s_stop("", 0);
  }
  if (what == "fatal") {
    // fatal N CONTEXT [again]
    if (arg(4) == "again") rt::fatal_report_mark_started();
    rt::f__fatal(std::atoi(arg(2).c_str()), arg(3).c_str());
  }
  if (what == "loop") {
    // Records to a file and to standard output until a signal ends the run.
    rt::open_file(25, arg(2));
    for (rt::Integer i = 1;; ++i) {
      rt::ListWrite(25).text("record").integer(i).real(0.5 * i).end();
      rt::ListWrite(6).text("line").integer(i).end();
    }
  }
  if (what == "big") {
    // Records larger than a unit's buffer.
    rt::open_file(25, arg(2));
    const std::string big(20000, 'b');
    rt::ListWrite(25).text("small").end();
    for (int i = 0; i < 10; ++i) rt::ListWrite(25).text(big).end();
    rt::s_stop("", 0);
  }
  if (what == "return") return;
  if (what == "divide") {
    rt::ListWrite(6).text("before").end();
    volatile rt::Integer numerator = 1, zero = 0;
    rt::Integer quotient = divide(numerator, zero);
    rt::ListWrite(6).integer(quotient).end();
  }
}
