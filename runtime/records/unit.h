// The unit table: 100 numbered connections, each a file descriptor with a
// buffer of the layer's own. This file (with unit.cpp) is the only writer
// of a unit's fields; the readers move through the read-ahead bytes by
// its calls (unit_peek, unit_advance, unit_take_to).
//
// The state machine, one transition function each:
//
//   unconnected --unit_connect--> Not writing (Writing: a file just created)
//   Not writing --unit_to_writing--> Writing           (at the read position)
//   Writing --unit_to_reading--> Not writing           (records handed over first)
//   Writing --unit_rewind--> Rewound after writing     (cut at the position, then to 0)
//   Not writing --unit_rewind--> Not writing           (to 0)
//   Rewound after writing --unit_to_writing / unit_to_reading--> from position 0
//   any --unit_close--> unconnected                    (cut first when Writing)
//
// A unit's buffer is either a read-ahead buffer (state Not writing) or a
// buffer of whole records waiting to be written (state Writing). Files that
// the layer opens by name are accessed with pread/pwrite at the layer's own
// position, so writing the same bytes twice is harmless; the standard
// streams, which may share their descriptor with other processes, are
// accessed with read/write.
//
// The exit hook may run from a signal handler at any point, so every change
// that it can observe is made in an order that leaves the unit consistent:
// a record enters the buffer only whole, and a flushed buffer is settled
// through `settled_pos`.
//
// Records never lie in front of older bytes of a named file: the first
// hand-over of a stretch of writing cuts the file at its position first
// (`cut_due`), so the file always holds either what it held before the
// stretch began or whole records of the stretch after it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt {

inline constexpr int kUnitCount = 100;

enum class UnitState : unsigned char { NotWriting, Writing, RewoundAfterWriting };

struct Unit {
  int fd = -1;           // -1 while unconnected
  int lock_fd = -1;      // holds a named file's lock while connected; -1: none
  char* name = nullptr;  // file name; null for the standard streams
  bool readable = false;
  bool writable = false;
  bool seekable = false;    // not a terminal
  bool positional = false;  // opened by name and positionable: pread/pwrite
  bool scratch = false;     // removed when closed
  bool line_flush = false;  // hand each record to the host at once
  bool eof = false;
  bool cut_due = false;  // the next hand-over cuts the file at its position first
  UnitState state = UnitState::NotWriting;

  // Read-ahead data (len > 0 while not writing) is followed by a NUL at
  // buf[len]: every buffer has one byte more than cap. A scan for blanks,
  // digits or separators stops there without comparing positions; a NUL
  // within the data stops it too, and is then read by the general path.
  // With len == 0 there may be no buffer at all.
  char* buf = nullptr;
  std::size_t cap = 0;
  std::size_t len = 0;      // bytes in buf: read ahead, or records to write
  std::size_t rpos = 0;     // next byte to read in buf
  std::int64_t bufpos = 0;  // file position of buf[0]
  bool settling = false;    // a flush is moving bufpos; see settled_pos
  std::int64_t settled_pos = 0;
  bool flushing = false;  // a stream write is in flight

  bool connected() const { return fd >= 0; }
};

extern Unit units[kUnitCount];

// The unit with number n, or null when n is outside 0 to 99.
inline Unit* unit_at(long long n) {
  return n < 0 || n >= kUnitCount ? nullptr : &units[n];
}

// A descriptor to connect a unit to, and what may be done with it.
struct Connection {
  int fd = -1;
  int lock_fd = -1;      // holds the file's lock; taken over by the unit
  char* name = nullptr;  // taken over by the unit; null for a standard stream
  bool readable = false;
  bool writable = false;
  bool writing = false;      // starts in state Writing (a file just created)
  bool scratch = false;      // removed when closed
  bool each_record = false;  // hand each record over at once, even to a file
};

// Connects an unconnected unit. Its stream can be positioned unless it is
// a terminal; a named file that can be is accessed with pread/pwrite.
void unit_connect(Unit& u, const Connection& c);

// Reading, one byte of look-ahead. peek returns the next byte or -1 at the
// end of the file (a read error is reported under `context`).
int unit_refill(Unit& u, const char* context);
inline int unit_peek(Unit& u, const char* context) {
  if (u.rpos < u.len) return static_cast<unsigned char>(u.buf[u.rpos]);
  return unit_refill(u, context);
}
inline void unit_advance(Unit& u) {
  ++u.rpos;
}

// The read-ahead bytes not yet taken, [unit_next(u), unit_end(u)), for a
// reader that scans them in place; *unit_end(u) is the NUL end mark.
inline const char* unit_next(const Unit& u) {
  return u.buf + u.rpos;
}
inline const char* unit_end(const Unit& u) {
  return u.buf + u.len;
}
// Takes the read-ahead bytes before p, a position in that range.
inline void unit_take_to(Unit& u, const char* p) {
  u.rpos = static_cast<std::size_t>(p - u.buf);
}

// Skips the rest of the record and its newline, across refills of the
// buffer; the end of the file sets the end-of-file flag.
void unit_skip_record(Unit& u, const char* context);

// Appends one record and its newline. The record enters the buffer whole.
void unit_put_record(Unit& u, const char* data, std::size_t n);

// Hands the buffered records to the host; a failure ends the run under
// the context "write" (after cutting the file back to whole records).
void unit_flush(Unit& u);

// The current position: after the last byte read or the last byte written.
std::int64_t unit_position(const Unit& u);

// Switches to writing or to reading at the current position, reopening the
// file when its descriptor does not allow the new direction.
void unit_to_writing(Unit& u, const char* context);
void unit_to_reading(Unit& u, const char* context);

// REWIND: after writing, cuts the file at the current position (state
// Rewound after writing); then positions the unit at the start of its
// file and clears its end-of-file flag. Nothing after a rewind that
// followed writing; error 106 for a terminal.
void unit_rewind(Unit& u);

// CLOSE: cuts the file after writing, removes it when `remove` is set (a
// scratch file is gone already), marks the unit unconnected, then closes
// its descriptor (named units only). After a failed close the unit keeps
// its name, for the report.
void unit_close(Unit& u, bool remove);

}  // namespace rt
