#include <string_view>

#include "runtime/frame/frame.h"
#include "runtime/frame/message.h"
#include "runtime/host/host.h"
#include "runtime/records/layer.h"

namespace rt {

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

  // Standard input when it is a console, else the console device.
  bool console = false;
  int fd = host::open_answer(console);
  if (fd < 0) {
    line << "s_paus: can't open con!\n";
    line.send();
    end_process(1);
  }
  line << "To resume execution, type go.  Other input will terminate the job.\n";
  line.send();

  // "go" and a line end, compared one character at a time.
  for (char want : {'g', 'o', '\n'}) {
    if (host::read_answer(fd) != want) {
      line << "STOP\n";
      line.send();
      end_process(0);
    }
  }
  if (console) host::close_file(fd);
  line << "Execution resumes after PAUSE.\n";
  line.send();
  return 0;
}

}  // namespace rt
