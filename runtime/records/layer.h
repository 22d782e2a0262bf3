// The record layer as the run-time frame sees it: the standard units at
// start-up, the console's records before a pause, every unit at the end
// of the process, and what the fatal report describes. Everything else of
// the layer is reached through its entry points (io.h).
#pragma once

#include <cstddef>

namespace rt {

// Connects units 0, 5 and 6 to standard error, input and output, once;
// a standard descriptor that the process was started without is held by
// /dev/null first.
void units_connect_standard();
// Whether that has happened: before it, no unit was ever connected. Set
// only by units_connect_standard.
extern bool standard_units_connected;
inline bool units_ready() {
  return standard_units_connected;
}

// Whether a data-transfer statement is in progress: no other record
// operation may begin then.
bool record_operation_in_progress();

// Hands the records written so far on standard output (unit 6) to the
// host; a failure ends the run with the fatal report.
void console_hand_over();

// The exit hook's work: flushes what is settled, cuts each file that was
// last written, closes the named units. Async-signal-safe, never reports.
// Returns the errno of a failed final write of standard output, or 0.
int units_close_at_exit();

// The file name of a unit, or null (a standard unit, or none connected).
const char* unit_name(int number);

// The latest data-transfer statement (or REWIND or CLOSE), as the fatal
// report shows it.
struct LastOperation {
  int unit = -1;                 // -1: none recorded (internal)
  const char* format = nullptr;  // null: no format recorded
  std::size_t format_len = 0;
  bool reading = false;
  bool sequential = false;  // only formatted statements set it
};
const LastOperation& last_operation();

}  // namespace rt
