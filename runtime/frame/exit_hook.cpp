#include "runtime/frame/frame.h"
#include "runtime/frame/message.h"
#include "runtime/host/host.h"
#include "runtime/records/layer.h"

namespace rt {

namespace {

constinit bool exit_done = false;
// A failure of the final write of standard output, reported by end_process.
constinit int console_error = 0;

}  // namespace

void f_exit() {
  if (exit_done) return;
  exit_done = true;
  console_error = units_close_at_exit();
}

void end_process(int status) {
  // One ending at a time: a second signal must not cut the exit hook short.
  block_endings();
  f_exit();
  if (console_error != 0) {
    Message line;
    line << "write: " << host_error_text(console_error) << '\n';
    line.send();
    if (status == 0) status = 1;
  }
  host::exit_now(status);
}

}  // namespace rt
