#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "runtime/frame/frame.h"
#include "runtime/frame/message.h"
#include "runtime/records/host_call.h"
#include "runtime/records/layer.h"

namespace rt {

namespace {

// The console device that answers a PAUSE when standard input is not a
// terminal: the process's controlling terminal.
constexpr const char* kConsole = "/dev/tty";

// One character of the answer, or -1 at the end of the input.
int read_char(int fd) {
  unsigned char c;
  return retry_interrupted([&] { return ::read(fd, &c, 1); }) == 1 ? c : -1;
}

}  // namespace

void s_stop(const char* text, Length n) {
  if (n > 0) {
    Message line;
    line << "STOP " << std::string_view(text, static_cast<std::size_t>(n))
         << " statement executed\n";
    line.send();
  }
  end_process(0);
}

int s_paus(const char* text, Length n) {
  Message line;
  line << "PAUSE ";
  if (n > 0) line << ' ' << std::string_view(text, static_cast<std::size_t>(n));
  line << " statement executed\n";
  line.send();
  // The person answering sees the whole report first.
  console_hand_over();

  int fd = STDIN_FILENO;
  bool console = false;
  if (::isatty(STDIN_FILENO) == 0) {
    fd = host_open(kConsole, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      line << "s_paus: can't open con!\n";
      line.send();
      end_process(1);
    }
    console = true;
  }
  line << "To resume execution, type go.  Other input will terminate the job.\n";
  line.send();

  // "go" and a line end, compared one character at a time.
  for (char want : {'g', 'o', '\n'}) {
    if (read_char(fd) != want) {
      line << "STOP\n";
      line.send();
      end_process(0);
    }
  }
  if (console) host_close(fd);
  line << "Execution resumes after PAUSE.\n";
  line.send();
  return 0;
}

}  // namespace rt
