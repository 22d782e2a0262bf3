// OPEN, REWIND and CLOSE.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "runtime/errors.h"
#include "runtime/frame.h"
#include "runtime/host_call.h"
#include "runtime/io.h"
#include "runtime/state.h"

namespace rt {

namespace {

// Errors of these statements take the statement's error branch.
void take_branches(Integer err) {
  run.statement.err_branch = err != 0;
  run.statement.end_branch = false;
}

void check_not_in_progress() {
  if (run.mark == RunMark::InProgress) f__fatal(kErrRecursion, "I/O recursion");
}

char status_letter(const char* status) {
  if (status == nullptr || *status == '\0') return 'u';
  char c = *status;
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
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

void close_unit(Unit& u, bool remove) {
  if (u.state == UnitState::Writing) unit_cut(u);
  if (remove && u.name != nullptr && !u.scratch) ::unlink(u.name);
  if (int error = unit_disconnect(u); error != 0) io_fail(error, "close");
}

}  // namespace

int f_open(const OpenControl* control) {
  try {
    if (run.mark != RunMark::Ready) f_init();
    take_branches(control->err);
    Unit* u = unit_at(control->unit);
    if (u == nullptr) io_fail(kErrUnitNumber, "open");
    // Trailing blanks are not part of the name.
    std::size_t len = control->name ? static_cast<std::size_t>(control->name_len) : 0;
    while (len > 0 && control->name[len - 1] == ' ') --len;
    char letter = status_letter(control->status);
    if (len == 0 && letter != 's') io_fail(kErrNullName, "open");
    if (u->connected()) close_unit(*u, false);

    char* name = nullptr;
    int fd = -1;
    bool created = false;
    if (letter == 's') {
      fd = open_scratch(name);
    } else {
      name = static_cast<char*>(std::malloc(len + 1));
      if (name == nullptr) io_fail(kErrNoMemory, "malloc failure");
      std::memcpy(name, control->name, len);
      name[len] = '\0';
      if (letter == 'n' && ::access(name, F_OK) == 0) {
        std::free(name);
        io_fail(kErrNewExists, "open");
      }
      int extra = letter == 'r' ? O_TRUNC : 0;
      // Read and write, else read only, else created empty for writing (an
      // existing file that may only be written loses its old bytes here).
      fd = host_open(name, O_RDWR | O_CLOEXEC | extra);
      if (fd < 0 && letter != 'n' && letter != 'r') fd = host_open(name, O_RDONLY | O_CLOEXEC);
      if (fd < 0 && letter != 'o') {
        fd = host_open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        created = fd >= 0;
      }
    }
    if (fd < 0) {
      int error = errno;
      std::free(name);
      io_fail(error, "open");
    }
    int mode = ::fcntl(fd, F_GETFL) & O_ACCMODE;
    std::free(u->name);  // left by a close that failed
    u->name = name;
    u->readable = mode != O_WRONLY;
    u->writable = mode != O_RDONLY;
    u->seekable = ::isatty(fd) == 0;
    u->positional = u->seekable && ::lseek(fd, 0, SEEK_CUR) >= 0;
    u->scratch = letter == 's';
    u->line_flush = !u->seekable;
    u->eof = false;
    u->len = u->rpos = 0;
    u->bufpos = 0;
    u->state = created ? UnitState::Writing : UnitState::NotWriting;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    u->fd = fd;
    take_branches(0);
    return 0;
  } catch (const BranchTaken& b) {
    return b.number;
  }
}

int f_rew(const RewindControl* control) {
  try {
    check_not_in_progress();
    take_branches(control->err);
    Unit* u = unit_at(control->unit);
    if (u == nullptr) io_fail(kErrUnitNumber, "rewind");
    if (u->connected()) run.last.unit = static_cast<int>(control->unit);
    if (u->connected() && u->state != UnitState::RewoundAfterWriting) {
      if (!u->seekable) io_fail(kErrBackspace, "rewind");
      if (u->state == UnitState::Writing) {
        unit_cut(*u);
        // The new state before the new position: an ending in between
        // must not cut the file at its start.
        u->state = UnitState::RewoundAfterWriting;
        std::atomic_signal_fence(std::memory_order_seq_cst);
      }
      unit_rewind(*u);
    }
    take_branches(0);
    return 0;
  } catch (const BranchTaken& b) {
    return b.number;
  }
}

int f_clos(const CloseControl* control) {
  try {
    check_not_in_progress();
    take_branches(control->err);
    Unit* u = unit_at(control->unit);
    if (u != nullptr && u->connected()) {
      run.last.unit = static_cast<int>(control->unit);
      close_unit(*u, status_letter(control->status) == 'd');
    }
    take_branches(0);
    return 0;
  } catch (const BranchTaken& b) {
    return b.number;
  }
}

}  // namespace rt
