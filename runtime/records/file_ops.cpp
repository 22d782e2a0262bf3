// OPEN, REWIND and CLOSE. OPEN is three steps: the status becomes the
// ways to open the file, the file is opened, the unit is connected.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "runtime/host/host.h"
#include "runtime/records/errors.h"
#include "runtime/records/io.h"
#include "runtime/records/statement.h"

namespace rt {

namespace {

// The status by its first letter, in lower case; "unknown" when absent.
char status_letter(const char* status) {
  if (status == nullptr || *status == '\0') return 'u';
  char c = *status;
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// How a status opens a named file: read and write, else read only, else
// created for writing (an existing file that may only be written loses its
// old bytes there). A way with no flags is a way not taken.
struct Way {
  unsigned flags = 0;
  bool empties = false;  // the file is emptied, once its lock is held
};
struct OpenWays {
  Way read_write;
  Way read_only;
  Way create;
  bool must_not_exist = false;
};

OpenWays open_ways(char letter) {
  constexpr Way kReadWrite{host::kReadWrite};
  constexpr Way kReadOnly{host::kRead};
  constexpr Way kCreate{host::kWrite | host::kCreate, true};
  constexpr Way kNone{};
  switch (letter) {
    case 'o':  // old: the file must exist
      return {kReadWrite, kReadOnly, kNone, false};
    case 'n':  // new: the file must not exist
      return {kReadWrite, kNone, kCreate, true};
    case 'r':  // replace: emptied or created
      return {{host::kReadWrite, true}, kNone, kCreate, false};
    default:  // unknown
      return {kReadWrite, kReadOnly, kCreate, false};
  }
}

// How long an OPEN waits for a file that another process holds.
constexpr long kLockWaitMs = 5000;

// Opens `name` the first way that succeeds and takes its lock (two runs in
// one directory take turns on the file); a way that empties the file
// empties it only once the lock is held, so that a run never cuts the
// records of a run that holds the file. -1 with errno and the report's
// `context` when the file cannot be had.
int open_named(const char* name, const OpenWays& ways, Connection& c, const char*& context) {
  context = "open";
  int fd = -1;
  const Way* way = nullptr;
  for (const Way* w : {&ways.read_write, &ways.read_only, &ways.create}) {
    if (w->flags != 0 && (fd = host::open_file(name, w->flags)) >= 0) {
      way = w;
      break;
    }
  }
  if (fd < 0) return -1;
  c.lock_fd = host::hold_lock(fd, kLockWaitMs);
  // Only a lock that another process holds is reported as held; any other
  // failure on the way (no descriptor left for the lock) as an open's.
  if (c.lock_fd < 0 && errno == EAGAIN) context = "open (held by another process)";
  if (c.lock_fd < 0 || (way->empties && !host::cut(fd, 0))) {
    int error = errno;
    if (c.lock_fd >= 0) host::close_file(c.lock_fd);
    host::close_file(fd);
    errno = error;
    return -1;
  }
  c.writing = way == &ways.create;  // a file just created, or emptied for writing
  return fd;
}

// A scratch file in the temporary directory, gone when it is closed.
int open_scratch(char*& name) {
  constexpr std::size_t kMaxPath = 4096;
  name = static_cast<char*>(std::malloc(kMaxPath));
  if (name == nullptr) io_fail(kErrNoMemory, "malloc failure");
  int fd = host::open_scratch(name, kMaxPath);
  if (fd < 0 && errno == 0) {
    std::free(name);
    name = nullptr;
    io_fail(kErrTempName, "open");
  }
  return fd;
}

// The name's first len characters (its trailing blanks already dropped),
// in storage of its own with a terminator.
char* copy_name(const char* text, std::size_t len) {
  char* name = static_cast<char*>(std::malloc(len + 1));
  if (name == nullptr) io_fail(kErrNoMemory, "malloc failure");
  std::memcpy(name, text, len);
  name[len] = '\0';
  return name;
}

void open_unit(const OpenControl& control) {
  control_statement_start(control.err);
  units_connect_standard();
  Unit* u = unit_at(control.unit);
  if (u == nullptr) io_fail(kErrUnitNumber, "open");
  std::size_t len = control.name ? static_cast<std::size_t>(control.name_len) : 0;
  while (len > 0 && control.name[len - 1] == ' ') --len;
  char letter = status_letter(control.status);
  if (len == 0 && letter != 's') io_fail(kErrNullName, "open");
  if (u->connected()) unit_close(*u, false);

  // The file.
  Connection c;
  const char* context = "open";
  if (letter == 's') {
    c.fd = open_scratch(c.name);
    c.scratch = true;
  } else {
    c.name = copy_name(control.name, len);
    OpenWays ways = open_ways(letter);
    if (ways.must_not_exist && host::exists(c.name)) {
      std::free(c.name);
      io_fail(kErrNewExists, "open");
    }
    c.fd = open_named(c.name, ways, c, context);
  }
  if (c.fd < 0) {
    int error = errno;
    std::free(c.name);
    io_fail(error, context);
  }

  // The unit.
  c.readable = host::readable(c.fd);
  c.writable = host::writable(c.fd);
  unit_connect(*u, c);
  statement_finish();
}

void rewind_unit(const RewindControl& control) {
  control_statement_start(control.err);
  Unit* u = unit_at(control.unit);
  if (u == nullptr) io_fail(kErrUnitNumber, "rewind");
  if (u->connected()) {
    note_unit(control.unit);
    unit_rewind(*u);
  }
  statement_finish();
}

void close_unit(const CloseControl& control) {
  control_statement_start(control.err);
  Unit* u = unit_at(control.unit);
  if (u != nullptr && u->connected()) {
    note_unit(control.unit);
    unit_close(*u, status_letter(control.status) == 'd');
  }
  statement_finish();
}

}  // namespace

int f_open(const OpenControl* control) {
  return with_branches([&] { open_unit(*control); });
}

int f_rew(const RewindControl* control) {
  return with_branches([&] { rewind_unit(*control); });
}

int f_clos(const CloseControl* control) {
  return with_branches([&] { close_unit(*control); });
}

}  // namespace rt
