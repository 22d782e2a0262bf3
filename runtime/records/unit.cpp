#include "runtime/records/unit.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "runtime/host/host.h"
#include "runtime/records/errors.h"
#include "runtime/records/layer.h"

namespace rt {

constinit Unit units[kUnitCount];

namespace {

constexpr std::size_t kBufferSize = 16384;

// Orders the stores that a signal handler may observe.
void fence() {
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

// Every buffer has one byte more than its capacity, for the end mark of
// read-ahead data (see Unit::buf).
void ensure_buffer(Unit& u) {
  if (u.buf != nullptr) return;
  char* buf = static_cast<char*>(std::malloc(kBufferSize + 1));
  if (buf == nullptr) io_fail(kErrNoMemory, "malloc failure");
  u.cap = kBufferSize;
  fence();
  u.buf = buf;
}

// Makes an empty buffer hold at least `need` bytes, doubling its size. The
// buffer is empty, so a handler that comes in between has nothing to take
// from either the old one or the new.
void grow_buffer(Unit& u, std::size_t need) {
  std::size_t cap = u.cap;
  while (cap < need) cap *= 2;
  char* buf = static_cast<char*>(std::malloc(cap + 1));
  if (buf == nullptr) io_fail(kErrNoMemory, "malloc failure");
  char* old = u.buf;
  u.buf = buf;
  fence();
  u.cap = cap;
  std::free(old);
}

// Writes n bytes at file position `at` (named files) or at the stream's
// own position. `done` counts the bytes that reached the host, also when
// the write fails; errno tells why.
bool put_bytes(const Unit& u, const char* data, std::size_t n, std::int64_t at, std::size_t& done) {
  done = 0;
  while (done < n) {
    long long put = u.positional ? host::write_at(u.fd, data + done, n - done,
                                                  at + static_cast<std::int64_t>(done))
                                 : host::write_some(u.fd, data + done, n - done);
    if (put < 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

// The end of the last whole record among the first `done` bytes of data
// that start at file position `at`.
std::int64_t whole_records_end(const char* data, std::size_t done, std::int64_t at) {
  for (std::size_t i = done; i > 0; --i) {
    if (data[i - 1] == '\n') return at + static_cast<std::int64_t>(i);
  }
  return at;
}

// Makes `pos` the start of an empty buffer. A handler that comes in between
// reads `settled_pos` while `settling` is set.
void settle(Unit& u, std::int64_t pos) {
  u.settled_pos = pos;
  fence();
  u.settling = true;
  fence();
  u.bufpos = pos;
  u.len = 0;
  u.rpos = 0;
  fence();
  u.settling = false;
  fence();
}

// Replaces the descriptor by one opened anew with `flags`.
bool reopen(Unit& u, unsigned flags) {
  if (u.name == nullptr) return false;
  int fd = host::open_file(u.name, flags);
  if (fd < 0) return false;
  int old = u.fd;
  u.readable = (flags & host::kRead) != 0;
  u.writable = (flags & host::kWrite) != 0;
  fence();
  u.fd = fd;
  fence();
  // The records written through the old descriptor may be lost when its
  // close fails (a network file system reports its write-back errors here).
  if (host::close_file(old) != 0) io_fail(errno, "close");
  return true;
}

// The cut that opens a stretch of writing: older bytes at and behind the
// buffer's position go before the first record is handed over.
bool cut_before_writing(Unit& u) {
  if (!u.cut_due) return true;
  if (!host::cut(u.fd, u.bufpos)) return false;
  u.cut_due = false;
  return true;
}

constexpr const char* kWrite = "write";
constexpr const char* kEndfile = "endfile";

// How a hand-over failed: the error number and the report's context,
// kEndfile for a cut, kWrite for a write.
struct Failure {
  int number = 0;
  const char* context = nullptr;
  bool failed() const { return context != nullptr; }
};

// The one hand-over of buffered records to the host, for statements and
// for the exit hook alike: the cut that opens a stretch of writing, the
// write, and the buffer settled after the records that reached the file
// (after a failure, the last whole one). Reporting is the caller's.
Failure hand_over(Unit& u) {
  if (u.state != UnitState::Writing || u.len == 0) return {};
  // Older bytes that cannot go keep the records from the file.
  if (!cut_before_writing(u)) return {kErrTruncate, kEndfile};
  std::size_t done = 0;
  u.flushing = true;
  fence();
  if (put_bytes(u, u.buf, u.len, u.bufpos, done)) {
    settle(u, u.bufpos + static_cast<std::int64_t>(u.len));
    u.flushing = false;
    return {};
  }
  int error = errno;
  // A stream may not be written again: what it took is counted as gone.
  settle(u, u.positional ? whole_records_end(u.buf, done, u.bufpos) : u.bufpos);
  u.flushing = false;
  return {error, kWrite};
}

// Hands the records over, then cuts a named file at the position, so that
// it ends after the last record written; the first failure is returned.
Failure hand_over_and_cut(Unit& u) {
  Failure f = hand_over(u);
  if (f.context == kEndfile) return f;  // nothing was written
  if (u.name == nullptr || !u.seekable) return f;
  if (!host::cut(u.fd, unit_position(u)) && !f.failed()) f = {kErrTruncate, kEndfile};
  return f;
}

void report(Failure f) {
  if (f.failed()) io_fail(f.number, f.context);
}

// Closes a unit's descriptor (the standard streams stay open), then the
// file's lock, which goes last, once the file holds all that this run
// gives it. Returns 0, or the errno of a failed close.
int close_descriptors(int fd, bool named, int lock_fd) {
  int error = named && host::close_file(fd) != 0 ? errno : 0;
  if (lock_fd >= 0) host::close_file(lock_fd);
  return error;
}

// A record that ends in CR LF (a file written or copied on Windows) reads
// as one that ends in LF: the CR is read as a blank, which ends a record's
// values as its end does, and every byte keeps its file position.
void blank_carriage_returns(char* data, std::size_t len) {
  for (char* p = data; len > 1;) {
    char* cr = static_cast<char*>(std::memchr(p, '\r', len - 1));
    if (cr == nullptr) return;
    if (cr[1] == '\n') *cr = ' ';
    len -= static_cast<std::size_t>(cr + 1 - p);
    p = cr + 1;
  }
}

}  // namespace

void unit_connect(Unit& u, const Connection& c) {
  std::free(u.name);  // left by a close that failed
  u.name = c.name;
  u.readable = c.readable;
  u.writable = c.writable;
  u.seekable = !host::is_terminal(c.fd);
  u.positional = c.name != nullptr && u.seekable && host::positionable(c.fd);
  u.scratch = c.scratch;
  u.line_flush = c.each_record || !u.seekable;
  u.eof = false;
  u.cut_due = false;
  u.len = u.rpos = 0;
  u.bufpos = 0;
  u.state = c.writing ? UnitState::Writing : UnitState::NotWriting;
  u.lock_fd = c.lock_fd;
  // Connected last, so that a handler finds the unit whole.
  fence();
  u.fd = c.fd;
}

int unit_refill(Unit& u, const char* context) {
  ensure_buffer(u);
  u.bufpos += static_cast<std::int64_t>(u.len);
  u.len = 0;
  u.rpos = 0;
  long long got = u.positional ? host::read_at(u.fd, u.buf, u.cap, u.bufpos)
                               : host::read_some(u.fd, u.buf, u.cap);
  if (got < 0) io_fail(errno, context);
  if (got == 0) return -1;
  u.len = static_cast<std::size_t>(got);
  // A CR at the end of a full buffer may begin a CR LF: a file reads it
  // again at the start of the next buffer, where its LF is in view.
  if (u.positional && u.len == u.cap && u.buf[u.len - 1] == '\r') --u.len;
  blank_carriage_returns(u.buf, u.len);
  u.buf[u.len] = '\0';
  return static_cast<unsigned char>(u.buf[0]);
}

void unit_skip_record(Unit& u, const char* context) {
  for (;;) {
    const void* nl = u.rpos < u.len ? std::memchr(u.buf + u.rpos, '\n', u.len - u.rpos) : nullptr;
    if (nl != nullptr) {
      u.rpos = static_cast<std::size_t>(static_cast<const char*>(nl) - u.buf) + 1;
      return;
    }
    u.rpos = u.len;
    if (unit_refill(u, context) < 0) {
      u.eof = true;
      return;
    }
  }
}

std::int64_t unit_position(const Unit& u) {
  if (u.state == UnitState::Writing) return u.bufpos + static_cast<std::int64_t>(u.len);
  return u.bufpos + static_cast<std::int64_t>(u.rpos);
}

void unit_flush(Unit& u) {
  report(hand_over(u));
}

void unit_put_record(Unit& u, const char* data, std::size_t n) {
  ensure_buffer(u);
  if (u.cap - u.len < n + 1) {
    unit_flush(u);
    if (u.cap < n + 1) grow_buffer(u, n + 1);
  }
  std::memcpy(u.buf + u.len, data, n);
  u.buf[u.len + n] = '\n';
  fence();
  u.len += n + 1;
  fence();
  if (u.line_flush) unit_flush(u);
}

void unit_to_writing(Unit& u, const char* context) {
  if (u.state == UnitState::Writing) return;
  std::int64_t pos = u.state == UnitState::RewoundAfterWriting ? 0 : unit_position(u);
  if (!u.writable && !reopen(u, host::kReadWrite)) io_fail(kErrCantWrite, context);
  // A stream that read ahead goes back to where the reading stopped.
  if (!u.positional && u.seekable && u.rpos < u.len) host::seek(u.fd, pos);
  u.len = 0;
  u.rpos = 0;
  u.bufpos = pos;
  // Bytes of the file may lie at and behind pos.
  u.cut_due = u.name != nullptr && u.seekable;
  fence();
  u.state = UnitState::Writing;
}

void unit_to_reading(Unit& u, const char* context) {
  if (u.state == UnitState::NotWriting) return;
  unit_flush(u);
  std::int64_t pos = u.state == UnitState::RewoundAfterWriting ? 0 : unit_position(u);
  if (!u.readable && !reopen(u, host::kReadWrite) && !reopen(u, host::kRead))
    io_fail(kErrCantRead, context);
  u.len = 0;
  u.rpos = 0;
  u.bufpos = pos;
  u.cut_due = false;
  fence();
  u.state = UnitState::NotWriting;
}

void unit_rewind(Unit& u) {
  if (u.state == UnitState::RewoundAfterWriting) return;
  if (!u.seekable) io_fail(kErrBackspace, "rewind");
  if (u.state == UnitState::Writing) {
    report(hand_over_and_cut(u));
    // The new state before the new position: an ending in between must
    // not cut the file at its start.
    u.state = UnitState::RewoundAfterWriting;
    fence();
  }
  if (!u.positional) host::seek(u.fd, 0);
  u.len = 0;
  u.rpos = 0;
  u.bufpos = 0;
  u.eof = false;
}

void unit_close(Unit& u, bool remove) {
  if (u.state == UnitState::Writing) report(hand_over_and_cut(u));
  if (remove && u.name != nullptr && !u.scratch) host::remove_file(u.name);
  int fd = u.fd;
  int lock_fd = u.lock_fd;
  char* name = u.name;
  char* buf = u.buf;
  // Unconnected first, so that a handler finds nothing half-closed.
  u.fd = -1;
  fence();
  u.lock_fd = -1;
  u.buf = nullptr;
  u.cap = u.len = u.rpos = 0;
  u.bufpos = 0;
  u.eof = false;
  u.scratch = false;
  u.cut_due = false;
  u.state = UnitState::NotWriting;
  std::free(buf);
  // The records handed over may be lost when the close fails (a network
  // file system reports its write-back errors here).
  if (int error = close_descriptors(fd, name != nullptr, lock_fd)) io_fail(error, "close");
  u.name = nullptr;
  std::free(name);
}

namespace {

// A hand-over that an ending interrupted on its way, completed as far as
// it got: a buffer being settled has reached the host, and a stream's
// write in flight counts as done, since writing it again could repeat it.
// A write at a position is simply made again.
void complete_interrupted_hand_over(Unit& u) {
  if (u.settling) {
    settle(u, u.settled_pos);
  } else if (u.flushing && !u.positional) {
    settle(u, u.bufpos + static_cast<std::int64_t>(u.len));
  }
}

// CLOSE as the exit hook makes it, from any point of the program and
// without a report: the same hand-over and cut as a statement's, then the
// descriptor closed (named units only). Returns the errno of a failed
// write, or 0.
int close_at_exit(Unit& u) {
  if (!u.connected()) return 0;
  Failure f;
  if (u.state == UnitState::Writing) {
    complete_interrupted_hand_over(u);
    f = hand_over_and_cut(u);
  }
  int fd = u.fd;
  int lock_fd = u.lock_fd;
  u.fd = -1;
  fence();
  u.lock_fd = -1;
  close_descriptors(fd, u.name != nullptr, lock_fd);
  return f.context == kWrite ? f.number : 0;
}

}  // namespace

constinit bool standard_units_connected = false;

void units_connect_standard() {
  if (standard_units_connected) return;
  // A standard descriptor that the process was started without is taken
  // by the null device opened the other way round: transfers on it still
  // fail, and no file that the program opens can receive the records of a
  // standard unit.
  host::hold_standard(host::kStandardInput, true);
  host::hold_standard(host::kStandardOutput, false);
  host::hold_standard(host::kStandardError, false);
  // Standard error sees every record at its end.
  unit_connect(
      units[0],
      {.fd = host::kStandardError, .writable = true, .writing = true, .each_record = true});
  unit_connect(units[5], {.fd = host::kStandardInput, .readable = true});
  unit_connect(units[6], {.fd = host::kStandardOutput, .writable = true, .writing = true});
  standard_units_connected = true;
}

void console_hand_over() {
  unit_flush(units[6]);
}

int units_close_at_exit() {
  int console_error = 0;
  for (int n = 0; n < kUnitCount; ++n) {
    int error = close_at_exit(units[n]);
    if (n == 6) console_error = error;
  }
  return console_error;
}

const char* unit_name(int number) {
  return number >= 0 && number < kUnitCount ? units[number].name : nullptr;
}

}  // namespace rt
