// OPEN, REWIND and CLOSE. OPEN is three steps: the status becomes the
// ways to open the file, the file is opened, the unit is connected.
#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "runtime/records/errors.h"
#include "runtime/records/host_call.h"
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
// created empty for writing (an existing file that may only be written
// loses its old bytes there). A zero entry is a way not taken.
struct OpenWays {
  int read_write = 0;
  int read_only = 0;
  int create = 0;
  bool must_not_exist = false;
};

OpenWays open_ways(char letter) {
  constexpr int kCreate = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
  switch (letter) {
    case 'o':  // old: the file must exist
      return {.read_write = O_RDWR | O_CLOEXEC, .read_only = O_RDONLY | O_CLOEXEC};
    case 'n':  // new: the file must not exist
      return {.read_write = O_RDWR | O_CLOEXEC, .create = kCreate, .must_not_exist = true};
    case 'r':  // replace: emptied or created
      return {.read_write = O_RDWR | O_CLOEXEC | O_TRUNC, .create = kCreate};
    default:  // unknown
      return {
          .read_write = O_RDWR | O_CLOEXEC, .read_only = O_RDONLY | O_CLOEXEC, .create = kCreate};
  }
}

// How long an OPEN waits for a file that another process holds.
constexpr long kLockWaitMs = 5000;

// Takes the file's exclusive advisory lock, waiting while another process
// holds it (another run in the same directory, say), up to kLockWaitMs.
// The lock is held by a descriptor of its own that shares the file's open
// description: a reopen of the file in another direction closes the first
// descriptor but keeps the lock, which goes only when the unit is closed.
// (A record lock would go with any close of the file.) Returns the lock's
// descriptor, or -1 with errno.
int hold_lock(int fd) {
  int lock_fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (lock_fd < 0) return -1;
  for (long waited = 0;; waited += 2) {
    if (retry_interrupted([&] { return ::flock(lock_fd, LOCK_EX | LOCK_NB); }) == 0) return lock_fd;
    if (errno != EWOULDBLOCK || waited >= kLockWaitMs) break;
    timespec pause{0, 2000000};  // 2 ms
    ::nanosleep(&pause, nullptr);
  }
  int error = errno;
  host_close(lock_fd);
  errno = error;
  return -1;
}

// Opens `name` the first way that succeeds and takes its lock; a way that
// empties the file empties it only once the lock is held, so that a run
// never cuts the records of a run that holds the file. -1 with errno and
// the report's `context` when the file cannot be had.
int open_named(const char* name, const OpenWays& ways, Connection& c, const char*& context) {
  context = "open";
  int fd = -1;
  int way = 0;
  for (int w : {ways.read_write, ways.read_only, ways.create}) {
    if (w != 0 && (fd = host_open(name, w & ~O_TRUNC, 0666)) >= 0) {
      way = w;
      break;
    }
  }
  if (fd < 0) return -1;
  c.lock_fd = hold_lock(fd);
  if (c.lock_fd < 0) context = "open (held by another process)";
  bool ok = c.lock_fd >= 0 &&
            ((way & O_TRUNC) == 0 || retry_interrupted([&] { return ::ftruncate(fd, 0); }) == 0);
  if (!ok) {
    int error = errno;
    if (c.lock_fd >= 0) host_close(c.lock_fd);
    host_close(fd);
    errno = error;
    return -1;
  }
  c.writing = way == ways.create;  // a file just created, or emptied for writing
  return fd;
}

// A scratch file: created in the temporary directory and removed at once,
// so that no ending can leave it behind.
int open_scratch(char*& name) {
  const char* dir = std::getenv("TMPDIR");
  if (dir == nullptr || *dir == '\0') dir = "/tmp";
  constexpr std::size_t kMaxPath = 4096;
  constexpr const char* kPattern = "/scratchXXXXXX";
  std::size_t len = std::strlen(dir) + std::strlen(kPattern);
  if (len >= kMaxPath) io_fail(kErrTempName, "open");
  name = static_cast<char*>(std::malloc(len + 1));
  if (name == nullptr) io_fail(kErrNoMemory, "malloc failure");
  std::strcpy(name, dir);
  // A failed try may have changed the pattern: each try starts anew.
  int fd = retry_interrupted([&] {
    std::strcpy(name + std::strlen(dir), kPattern);
    return ::mkostemp(name, O_CLOEXEC);
  });
  if (fd >= 0) ::unlink(name);
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
    if (ways.must_not_exist && ::access(c.name, F_OK) == 0) {
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
  int mode = ::fcntl(c.fd, F_GETFL) & O_ACCMODE;
  c.readable = mode != O_WRONLY;
  c.writable = mode != O_RDONLY;
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
