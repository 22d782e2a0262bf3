// The host operations that the record layer and the frame use, named by
// what they do. One file per system implements them (host_posix.cpp,
// host_windows.cpp) and the build picks one; nothing above this seam
// knows which.
//
// Files are the host's small-integer descriptors (a C run-time descriptor
// on Windows), always in binary mode. A failing call returns -1 (or
// false) with errno set; a call that a signal interrupts is made again.
// The calls of the ending paths, which run in a signal handler (transfers,
// cut, close, the error text, the process end), allocate nothing and take
// no lock.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt::host {

inline constexpr int kStandardInput = 0;
inline constexpr int kStandardOutput = 1;
inline constexpr int kStandardError = 2;

// How a file is opened: for reading, writing or both; created when it does
// not exist (never emptied here: the layer cuts it once it holds its lock).
enum OpenFlags : unsigned {
  kRead = 1,
  kWrite = 2,
  kReadWrite = kRead | kWrite,
  kCreate = 4,
};

int open_file(const char* name, unsigned flags);
// EINTR counts as done: the descriptor is released either way.
int close_file(int fd);
bool readable(int fd);
bool writable(int fd);

// Transfers at the stream's own position, or at file position `at`.
// Return the bytes moved.
long long read_some(int fd, char* buf, std::size_t n);
long long read_at(int fd, char* buf, std::size_t n, std::int64_t at);
long long write_some(int fd, const char* data, std::size_t n);
long long write_at(int fd, const char* data, std::size_t n, std::int64_t at);

// Whether the file has a position that can be set (not a pipe or a
// terminal), and setting it.
bool positionable(int fd);
bool seek(int fd, std::int64_t pos);
// Cuts the file to `size` bytes when it is longer.
bool cut(int fd, std::int64_t size);

bool is_terminal(int fd);
bool exists(const char* name);
void remove_file(const char* name);

// A new file in the temporary directory (TMPDIR, or the system's), gone
// when it is closed: its name (written into `name`, room for `room`
// bytes) is only for reports. -1 with errno, or with errno 0 when the name
// does not fit.
int open_scratch(char* name, std::size_t room);

// Takes the file's exclusive advisory lock, waiting up to `wait_ms` while
// another process holds it. Returns a descriptor that holds the lock until
// it is closed, whatever happens to `fd`; -1 with errno EAGAIN when another
// process still holds the lock, -1 with the failed call's errno otherwise.
int hold_lock(int fd, long wait_ms);

// Makes standard descriptor `fd` refer to something, if the process was
// started without it: the null device, opened the other way round, so
// that transfers still fail and no file the program opens takes its place.
void hold_standard(int fd, bool input);

// The console that answers a pause: standard input when it is one, else
// the console device opened for the purpose (`opened` is then set); -1
// when there is none. read_answer gives one character, or -1 at the end.
int open_answer(bool& opened);
int read_answer(int fd);

// The host's text for an error number, from static storage.
const char* error_text(int number);

// The process's floating-point state reset to the default: IEEE double
// precision (an x87 unit's too), rounding to nearest, every exception
// masked, subnormals kept.
void reset_floating_point();

// The ending events: `handler` gets the number of the signal that asks
// for an ending (SIGFPE, SIGABRT, SIGINT or SIGTERM; on Windows also the
// console's Ctrl+C, Ctrl+Break, close, log-off and shut-down, as SIGINT and
// SIGTERM). An interrupt that the process was started with ignored stays
// ignored. The handler may be run on another thread; the main thread is
// then stopped first.
void on_endings(void (*handler)(int));
// One ending at a time: the ending events are held back from here on.
void hold_endings();
// Ends the process at once, with `status`; or abnormally, as abort does,
// with the SIGABRT handler set back to the host's default first.
[[noreturn]] void exit_now(int status);
[[noreturn]] void abort_now();
// Ends the process as abort does, through the SIGABRT handler if one is set.
[[noreturn]] void abort_through_handler();

}  // namespace rt::host
