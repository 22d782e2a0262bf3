#include <unistd.h>

#include "runtime/frame.h"
#include "runtime/message.h"
#include "runtime/state.h"

namespace rt {

void f_exit() {
  if (run.mark == RunMark::Uninitialised) return;
  run.mark = RunMark::Ready;
  if (run.exit_done) return;
  run.exit_done = true;
  for (int n = 0; n < kUnitCount; ++n) {
    int error = unit_close_at_exit(units[n]);
    if (n == 6 && error != 0) run.stdout_flush_errno = error;
  }
}

void end_process(int status) {
  // One ending at a time: a second signal must not cut the exit hook short.
  block_endings();
  f_exit();
  if (run.stdout_flush_errno != 0) {
    Message line;
    line << "write: " << host_error_text(run.stdout_flush_errno) << '\n';
    line.send();
    if (status == 0) status = 1;
    run.stdout_flush_errno = 0;
  }
  ::_exit(status);
}

}  // namespace rt
