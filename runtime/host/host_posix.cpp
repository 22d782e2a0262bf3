// The host operations on POSIX systems: Linux and the other Unix systems.
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cfenv>
#include <cstdlib>
#include <cstring>

#include "runtime/host/fpu.h"
#include "runtime/host/host.h"

namespace rt::host {

// File positions and sizes in 64 bits on every system, 32-bit ones too
// (the build asks for them): a file beyond 2 GiB is opened, read, written
// and cut as any other.
static_assert(sizeof(off_t) >= sizeof(std::int64_t), "build with _FILE_OFFSET_BITS=64");

namespace {

// Calls `call` until it returns anything but an interruption (-1, EINTR):
// a FIFO, a network or user-space file system may be interrupted.
template <class Call>
auto retry_interrupted(Call call) {
  for (;;) {
    auto result = call();
    if (result >= 0 || errno != EINTR) return result;
  }
}

int open_raw(const char* name, int flags, mode_t mode = 0) {
  return retry_interrupted([&] { return ::open(name, flags | O_CLOEXEC, mode); });
}

}  // namespace

int open_file(const char* name, unsigned flags) {
  int how = (flags & kReadWrite) == kReadWrite ? O_RDWR : (flags & kWrite) ? O_WRONLY : O_RDONLY;
  if (flags & kCreate) how |= O_CREAT;
  return open_raw(name, how, 0666);
}

// On Linux the descriptor is released even when close reports EINTR;
// closing it again could close one that another open has just received.
int close_file(int fd) {
  if (::close(fd) == 0 || errno == EINTR) return 0;
  return -1;
}

bool readable(int fd) {
  return (retry_interrupted([&] { return ::fcntl(fd, F_GETFL); }) & O_ACCMODE) != O_WRONLY;
}
bool writable(int fd) {
  return (retry_interrupted([&] { return ::fcntl(fd, F_GETFL); }) & O_ACCMODE) != O_RDONLY;
}

long long read_some(int fd, char* buf, std::size_t n) {
  return retry_interrupted([&] { return ::read(fd, buf, n); });
}
long long read_at(int fd, char* buf, std::size_t n, std::int64_t at) {
  return retry_interrupted([&] { return ::pread(fd, buf, n, static_cast<off_t>(at)); });
}
long long write_some(int fd, const char* data, std::size_t n) {
  return retry_interrupted([&] { return ::write(fd, data, n); });
}
long long write_at(int fd, const char* data, std::size_t n, std::int64_t at) {
  return retry_interrupted([&] { return ::pwrite(fd, data, n, static_cast<off_t>(at)); });
}

bool positionable(int fd) {
  return ::lseek(fd, 0, SEEK_CUR) >= 0;
}
bool seek(int fd, std::int64_t pos) {
  return ::lseek(fd, static_cast<off_t>(pos), SEEK_SET) >= 0;
}

bool cut(int fd, std::int64_t size) {
  struct stat st;
  if (retry_interrupted([&] { return ::fstat(fd, &st); }) != 0) return false;
  if (size >= st.st_size) return true;
  return retry_interrupted([&] { return ::ftruncate(fd, static_cast<off_t>(size)); }) == 0;
}

bool is_terminal(int fd) {
  return ::isatty(fd) != 0;
}
bool exists(const char* name) {
  return ::access(name, F_OK) == 0;
}
void remove_file(const char* name) {
  ::unlink(name);
}

// Removed as soon as it is created, so that no ending can leave it behind.
int open_scratch(char* name, std::size_t room) {
  const char* dir = std::getenv("TMPDIR");
  if (dir == nullptr || *dir == '\0') dir = "/tmp";
  constexpr const char* kPattern = "/scratchXXXXXX";
  const std::size_t dir_len = std::strlen(dir);
  if (dir_len + std::strlen(kPattern) >= room) {
    errno = 0;
    return -1;
  }
  std::memcpy(name, dir, dir_len);
  // A failed try may have changed the pattern: each try starts anew.
  int fd = retry_interrupted([&] {
    std::strcpy(name + dir_len, kPattern);
    int made = ::mkstemp(name);
    if (made >= 0) ::fcntl(made, F_SETFD, FD_CLOEXEC);
    return made;
  });
  if (fd >= 0) ::unlink(name);
  return fd;
}

// The lock is a flock on a descriptor that shares the file's open
// description: closing `fd` (a reopen in another direction) keeps it. A
// POSIX record lock would go with any close of the file.
int hold_lock(int fd, long wait_ms) {
  int lock_fd = retry_interrupted([&] { return ::fcntl(fd, F_DUPFD_CLOEXEC, 0); });
  if (lock_fd < 0) return -1;
  for (long waited = 0;; waited += 2) {
    if (retry_interrupted([&] { return ::flock(lock_fd, LOCK_EX | LOCK_NB); }) == 0) return lock_fd;
    if (errno != EWOULDBLOCK || waited >= wait_ms) break;
    timespec pause{0, 2000000};  // 2 ms
    ::nanosleep(&pause, nullptr);
  }
  int error = errno == EWOULDBLOCK ? EAGAIN : errno;
  close_file(lock_fd);
  errno = error;
  return -1;
}

void hold_standard(int fd, bool input) {
  if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) return;
  int got = retry_interrupted([&] { return ::open("/dev/null", input ? O_WRONLY : O_RDONLY); });
  if (got >= 0 && got != fd) {
    ::dup2(got, fd);
    close_file(got);
  }
}

// The console device is the process's controlling terminal.
int open_answer(bool& opened) {
  opened = false;
  if (is_terminal(kStandardInput)) return kStandardInput;
  int fd = open_raw("/dev/tty", O_RDONLY);
  opened = fd >= 0;
  return fd;
}

int read_answer(int fd) {
  unsigned char c;
  return read_some(fd, reinterpret_cast<char*>(&c), 1) == 1 ? c : -1;
}

// No locale and no allocation, so that a signal handler may use it.
const char* error_text(int number) {
#if defined(__GLIBC__)
  const char* text = ::strerrordesc_np(number);
  return text != nullptr ? text : "Unknown error";
#else
  return ::strerror(number);
#endif
}

void reset_floating_point() {
  std::fesetenv(FE_DFL_ENV);
  set_processor_defaults();
}

namespace {

constexpr int kEndingSignals[] = {SIGFPE, SIGABRT, SIGINT, SIGTERM};

sigset_t ending_set() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : kEndingSignals) sigaddset(&set, s);
  return set;
}

// Sets the action of `number`; a handler runs with the other endings held
// back, so that one ending runs at a time.
void set_action(int number, void (*action)(int)) {
  struct sigaction now {};
  now.sa_handler = action;
  now.sa_mask = ending_set();
  now.sa_flags = SA_RESTART;
  ::sigaction(number, &now, nullptr);
}

}  // namespace

void on_endings(void (*handler)(int)) {
  for (int s : kEndingSignals) {
    // The inherited action is read first: replacing an ignored SIGINT even
    // for an instant would let an interrupt in between end the run.
    struct sigaction was {};
    if (s == SIGINT && ::sigaction(s, nullptr, &was) == 0 && was.sa_handler == SIG_IGN) continue;
    set_action(s, handler);
  }
  // A write beyond the file size limit then fails with EFBIG and takes the
  // report, with the file cut back to whole records, instead of killing the
  // process silently in the middle of a record.
  set_action(SIGXFSZ, SIG_IGN);
}

void hold_endings() {
  sigset_t set = ending_set();
  ::sigprocmask(SIG_BLOCK, &set, nullptr);
}

void exit_now(int status) {
  ::_exit(status);
}

void abort_now() {
  set_action(SIGABRT, SIG_DFL);
  std::abort();
}

void abort_through_handler() {
  std::abort();
}

}  // namespace rt::host
