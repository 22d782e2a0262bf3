// The host operations on Windows (MinGW-w64).
//
// Descriptors are the C run-time's, opened in binary mode, but every
// transfer, cut and status call goes to the system's handle directly: the
// run-time's own calls take a lock per descriptor, and an ending that runs
// while the main thread is stopped inside one of them would wait for it
// forever.
//
// Ctrl+C, Ctrl+Break and the console's close, log-off and shut-down events
// arrive on a thread of their own. Their handler stops the main thread
// first, wherever it is, and only then runs the ending: the record layer
// then sees the ending as it sees a signal on POSIX systems, between two
// of its steps, and never alongside them.
#include <fcntl.h>
#include <float.h>
#include <io.h>
#include <share.h>
#include <signal.h>
#include <sys/stat.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cfenv>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "runtime/host/fpu.h"
#include "runtime/host/host.h"

namespace rt::host {

namespace {

HANDLE handle_of(int fd) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// errno for the system's last error.
int errno_of_last_error() {
  switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_TOO_LARGE:
      return EFBIG;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    default:
      return EIO;
  }
}

template <class T>
T fail_with_last_error(T result) {
  errno = errno_of_last_error();
  return result;
}

// A UTF-8 name as the system's wide characters; a long absolute path gets
// the prefix that lifts the 260-character limit. False when it cannot be
// converted.
constexpr int kWideRoom = 32768;
bool widen(const char* name, wchar_t* wide) {
  const wchar_t kLong[] = L"\\\\?\\";
  int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide + 4, kWideRoom - 4);
  if (n == 0) {
    errno = ENOENT;
    return false;
  }
  bool absolute = n > 3 && wide[5] == L':' && (wide[6] == L'\\' || wide[6] == L'/');
  if (n > MAX_PATH && absolute) {
    for (wchar_t* p = wide + 4; *p != 0; ++p) {
      if (*p == L'/') *p = L'\\';
    }
    std::memcpy(wide, kLong, 4 * sizeof(wchar_t));
  } else {
    std::memmove(wide, wide + 4, static_cast<std::size_t>(n) * sizeof(wchar_t));
  }
  return true;
}

// The access each descriptor was opened with (the run-time keeps it, but
// asking for it takes the descriptor's lock).
constexpr int kMaxDescriptors = 2048;
unsigned char access_of[kMaxDescriptors] = {kRead, kWrite, kWrite};

void note_access(int fd, unsigned flags) {
  if (fd >= 0 && fd < kMaxDescriptors)
    access_of[fd] = static_cast<unsigned char>(flags & kReadWrite);
}

}  // namespace

int open_file(const char* name, unsigned flags) {
  static wchar_t wide[kWideRoom];
  if (!widen(name, wide)) return -1;
  int how = (flags & kReadWrite) == kReadWrite ? _O_RDWR : (flags & kWrite) ? _O_WRONLY : _O_RDONLY;
  how |= _O_BINARY | _O_NOINHERIT;
  if (flags & kCreate) how |= _O_CREAT;
  int fd = -1;
  if (::_wsopen_s(&fd, wide, how, _SH_DENYNO, _S_IREAD | _S_IWRITE) != 0) return -1;
  note_access(fd, flags);
  return fd;
}

int close_file(int fd) {
  return ::_close(fd) == 0 ? 0 : -1;
}

bool readable(int fd) {
  return fd < 0 || fd >= kMaxDescriptors || (access_of[fd] & kRead) != 0;
}
bool writable(int fd) {
  return fd < 0 || fd >= kMaxDescriptors || (access_of[fd] & kWrite) != 0;
}

namespace {

// One ReadFile or WriteFile, at the handle's position or at `at`.
long long transfer(int fd, char* buf, const char* data, std::size_t n, const std::int64_t* at) {
  HANDLE h = handle_of(fd);
  if (h == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return -1;
  }
  DWORD count = static_cast<DWORD>(n > 0x40000000 ? 0x40000000 : n);
  DWORD done = 0;
  OVERLAPPED where{};
  if (at != nullptr) {
    where.Offset = static_cast<DWORD>(*at);
    where.OffsetHigh = static_cast<DWORD>(*at >> 32);
  }
  BOOL ok = buf != nullptr ? ::ReadFile(h, buf, count, &done, at ? &where : nullptr)
                           : ::WriteFile(h, data, count, &done, at ? &where : nullptr);
  if (ok) return done;
  DWORD error = ::GetLastError();
  // The end of a file, or of a pipe whose writer has gone.
  if (buf != nullptr && (error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE)) return 0;
  return fail_with_last_error(-1LL);
}

}  // namespace

long long read_some(int fd, char* buf, std::size_t n) {
  return transfer(fd, buf, nullptr, n, nullptr);
}
long long read_at(int fd, char* buf, std::size_t n, std::int64_t at) {
  return transfer(fd, buf, nullptr, n, &at);
}
long long write_some(int fd, const char* data, std::size_t n) {
  return transfer(fd, nullptr, data, n, nullptr);
}
long long write_at(int fd, const char* data, std::size_t n, std::int64_t at) {
  return transfer(fd, nullptr, data, n, &at);
}

bool positionable(int fd) {
  return ::GetFileType(handle_of(fd)) == FILE_TYPE_DISK;
}

bool seek(int fd, std::int64_t pos) {
  LARGE_INTEGER to;
  to.QuadPart = pos;
  return ::SetFilePointerEx(handle_of(fd), to, nullptr, FILE_BEGIN) != 0;
}

bool cut(int fd, std::int64_t size) {
  HANDLE h = handle_of(fd);
  LARGE_INTEGER now;
  if (!::GetFileSizeEx(h, &now)) return fail_with_last_error(false);
  if (size >= now.QuadPart) return true;
  FILE_END_OF_FILE_INFO end;
  end.EndOfFile.QuadPart = size;
  if (!::SetFileInformationByHandle(h, FileEndOfFileInfo, &end, sizeof end))
    return fail_with_last_error(false);
  return true;
}

// A character device (a console, NUL, a serial line) has no position.
bool is_terminal(int fd) {
  return ::GetFileType(handle_of(fd)) == FILE_TYPE_CHAR;
}

bool exists(const char* name) {
  static wchar_t wide[kWideRoom];
  return widen(name, wide) && ::GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES;
}

void remove_file(const char* name) {
  static wchar_t wide[kWideRoom];
  if (widen(name, wide)) ::DeleteFileW(wide);
}

// Deleted by the system when its last handle is closed.
int open_scratch(char* name, std::size_t room) {
  wchar_t dir[MAX_PATH + 1];
  wchar_t path[MAX_PATH + 1];
  if (::GetTempPathW(MAX_PATH + 1, dir) == 0 || ::GetTempFileNameW(dir, L"scr", 0, path) == 0)
    return fail_with_last_error(-1);
  if (::WideCharToMultiByte(CP_UTF8, 0, path, -1, name, static_cast<int>(room), nullptr, nullptr) ==
      0) {
    ::DeleteFileW(path);
    errno = 0;
    return -1;
  }
  HANDLE h = ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                           nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return fail_with_last_error(-1);
  int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY | _O_RDWR);
  if (fd < 0) {
    ::CloseHandle(h);
    return -1;
  }
  note_access(fd, kReadWrite);
  return fd;
}

// The lock is one byte far beyond any data, locked through a handle of its
// own: Windows locks are enforced on the bytes they cover, and go with the
// handle that took them, so a reopen of the file keeps this one.
int hold_lock(int fd, long wait_ms) {
  HANDLE h = handle_of(fd);
  HANDLE own =
      ::ReOpenFile(h, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
  if (own == INVALID_HANDLE_VALUE)
    own = ::ReOpenFile(h, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
  if (own == INVALID_HANDLE_VALUE) return fail_with_last_error(-1);
  for (long waited = 0;; waited += 2) {
    OVERLAPPED where{};
    where.OffsetHigh = 0x7FFFFFFF;
    if (::LockFileEx(own, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) {
      int lock_fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(own), _O_BINARY | _O_RDONLY);
      if (lock_fd >= 0) return lock_fd;
      int error = errno;  // no descriptor left
      ::CloseHandle(own);
      errno = error;
      return -1;
    }
    if (::GetLastError() != ERROR_LOCK_VIOLATION) {
      fail_with_last_error(-1);
      ::CloseHandle(own);
      return -1;
    }
    if (waited >= wait_ms) break;
    ::Sleep(2);
  }
  errno = EAGAIN;
  ::CloseHandle(own);
  return -1;
}

void hold_standard(int fd, bool input) {
  if (handle_of(fd) != INVALID_HANDLE_VALUE) return;
  int got = -1;
  if (::_sopen_s(&got, "NUL", (input ? _O_WRONLY : _O_RDONLY) | _O_BINARY, _SH_DENYNO, 0) != 0)
    return;
  if (got != fd) {
    ::_dup2(got, fd);
    ::_close(got);
  }
}

namespace {

bool is_console(HANDLE h) {
  DWORD mode;
  return ::GetConsoleMode(h, &mode) != 0;
}

}  // namespace

// Standard input when it is a console (NUL is a character device, not a
// console), else the console of the process, CONIN$.
int open_answer(bool& opened) {
  opened = false;
  if (is_console(handle_of(kStandardInput))) return kStandardInput;
  HANDLE h = ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return fail_with_last_error(-1);
  int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY | _O_RDONLY);
  if (fd < 0) ::CloseHandle(h);
  opened = fd >= 0;
  return fd;
}

// A console's line ends in CR LF: the pair is one line end.
int read_answer(int fd) {
  char c;
  if (read_some(fd, &c, 1) != 1) return -1;
  if (c != '\r') return static_cast<unsigned char>(c);
  if (read_some(fd, &c, 1) != 1) return -1;
  return c == '\n' ? '\n' : '\r';
}

const char* error_text(int number) {
  return ::strerror(number);
}

void reset_floating_point() {
  ::_fpreset();
  std::fesetenv(FE_DFL_ENV);
  set_processor_defaults();
}

namespace {

void (*ending_handler)(int) = nullptr;
HANDLE main_thread = nullptr;
// The thread that runs the one ending of the process; 0 while none does.
std::atomic<DWORD> ending_thread{0};

// Claims the ending for this thread; false when another thread has it.
bool claim_ending() {
  DWORD self = ::GetCurrentThreadId();
  DWORD none = 0;
  return ending_thread.compare_exchange_strong(none, self) || none == self;
}

BOOL WINAPI on_console_event(DWORD event) {
  int number;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      number = SIGINT;
      break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      number = SIGTERM;
      break;
    default:
      return FALSE;
  }
  if (!claim_ending()) return TRUE;  // the process is ending already
  // The main thread stops where it is; asking for its registers makes sure
  // that it has stopped before anything else is done.
  ::SuspendThread(main_thread);
  CONTEXT registers{};
  registers.ContextFlags = CONTEXT_CONTROL;
  ::GetThreadContext(main_thread, &registers);
  ending_handler(number);
  return TRUE;
}

void on_signal(int number) {
  hold_endings();
  ending_handler(number);
}

}  // namespace

// A Ctrl+C that the process was started with disabled stays disabled:
// Windows then passes it to no handler.
void on_endings(void (*handler)(int)) {
  ending_handler = handler;
  ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(),
                    &main_thread, 0, FALSE, DUPLICATE_SAME_ACCESS);
  // No dialog for a crash or an abort: the process ends with its status.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  ::signal(SIGFPE, on_signal);
  ::signal(SIGABRT, on_signal);
  ::SetConsoleCtrlHandler(on_console_event, TRUE);
}

// Only one thread runs an ending: another that gets here waits for the
// process to end.
void hold_endings() {
  while (!claim_ending()) ::Sleep(INFINITE);
}

void exit_now(int status) {
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(status));
  ::_exit(status);
}

// The C run-time's abort ends with status 3, after a message of its own
// on standard error: the same status, without the message.
constexpr UINT kAbortStatus = 3;

void abort_now() {
  ::TerminateProcess(::GetCurrentProcess(), kAbortStatus);
  ::_exit(kAbortStatus);
}

void abort_through_handler() {
  ::raise(SIGABRT);
  abort_now();
}

}  // namespace rt::host
