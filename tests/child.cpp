#include "tests/child.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace testing_support {

namespace {

long long now_us() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000000LL + ts.tv_nsec / 1000;
}

[[noreturn]] void child_fail(const char* what) {
  dprintf(2, "child setup failed: %s: %s\n", what, strerror(errno));
  _exit(127);
}

}  // namespace

std::vector<std::string> emulator() {
  std::vector<std::string> words;
#ifdef MELD_EMULATOR
  std::string all = MELD_EMULATOR;
  for (std::size_t start = 0;;) {
    std::size_t bar = all.find('|', start);
    words.push_back(all.substr(start, bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
#endif
  return words;
}

bool under_wine() {
  std::vector<std::string> words = emulator();
  return !words.empty() && words[0].find("wine") != std::string::npos;
}

namespace {

// The test's ends of the child's standard output and error, and the
// terminal's two sides when the child gets one.
struct Channels {
  int out[2] = {-1, -1};
  int err[2] = {-1, -1};
  int master = -1;
  int slave = -1;
};

Channels open_channels(const ChildOptions& o) {
  Channels ch;
  if (pipe2(ch.out, O_CLOEXEC) != 0 || pipe2(ch.err, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe");
  if (o.terminal && openpty(&ch.master, &ch.slave, nullptr, nullptr, nullptr) != 0)
    throw std::runtime_error("openpty");
  return ch;
}

// In the child, between fork and exec; every signal is still blocked.
[[noreturn]] void exec_child(const ChildOptions& o, const Channels& ch) {
  setsid();
  // What a shell leaves: every signal at its default action (or ignored,
  // where asked) and none blocked, whatever the test runner itself was
  // started with. A signal that the test sent meanwhile was held pending:
  // it goes when it is set to be ignored, and lands only now otherwise.
  for (int s = 1; s < NSIG; ++s) signal(s, SIG_DFL);
  if (o.ignore_sigint) signal(SIGINT, SIG_IGN);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);

  // Standard input: a file, the terminal, or /dev/null.
  int in = -1;
  if (o.terminal) {
    if (ioctl(ch.slave, TIOCSCTTY, 0) != 0) child_fail("TIOCSCTTY");
    in = ch.slave;
  }
  if (!o.stdin_file.empty()) in = open(o.stdin_file.c_str(), O_RDONLY);
  if (in < 0) in = open("/dev/null", O_RDONLY);
  dup2(in, 0);
  // Standard output: closed, a file, or the pipe; standard error: the pipe.
  if (o.stdout_closed) {
    close(1);
  } else if (!o.stdout_file.empty()) {
    int fd = open(o.stdout_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) child_fail("stdout file");
    dup2(fd, 1);
  } else {
    dup2(ch.out[1], 1);
  }
  if (o.stderr_closed) {
    close(2);
  } else {
    dup2(ch.err[1], 2);
  }
  if (ch.master >= 0) close(ch.master);
  if (ch.slave > 2) close(ch.slave);

  // Directory, limits and user.
  if (!o.cwd.empty() && chdir(o.cwd.c_str()) != 0) child_fail("chdir");
  for (auto [resource, limit] :
       {std::pair{RLIMIT_FSIZE, o.file_size_limit}, std::pair{RLIMIT_STACK, o.stack_limit},
        std::pair{RLIMIT_NOFILE, o.open_files_limit}}) {
    rlimit lim{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
    if (limit >= 0 && setrlimit(resource, &lim) != 0) child_fail("setrlimit");
  }
  if (o.uid != 0) {
    if (setgid(o.uid) != 0 || setuid(o.uid) != 0) child_fail("setuid");
  }

  std::vector<std::string> words = emulator();
  words.insert(words.end(), o.argv.begin(), o.argv.end());
  std::vector<char*> args;
  for (const std::string& a : words) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  child_fail("exec");
}

// Forks with every signal blocked, so that no signal the test sends can
// reach the child before its dispositions are set; then types the answer.
pid_t start_child(const ChildOptions& o, Channels& ch) {
  sigset_t all, saved;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &saved);
  pid_t pid = fork();
  if (pid == 0) exec_child(o, ch);
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  if (pid < 0) throw std::runtime_error("fork");

  close(ch.out[1]);
  close(ch.err[1]);
  if (ch.slave >= 0) close(ch.slave);
  if (ch.master >= 0 && !o.answer.empty()) {
    ssize_t put = write(ch.master, o.answer.data(), o.answer.size());
    (void)put;
  }
  if (o.close_stdout_reader) {
    close(ch.out[0]);
    ch.out[0] = -1;
  }
  return pid;
}

// Collects standard output and error until both close, sending the signal
// when its clock says so, and killing the child at the timeout. Both
// delays count from the start, or from the first bytes on the stream that
// `signal_clock` names.
void collect(const ChildOptions& o, Channels& ch, pid_t pid, ChildResult& r) {
  long long start = now_us();
  bool clock_running = o.signal_clock == 0;
  bool signalled = o.signal == 0;
  pollfd fds[3] = {{ch.out[0], POLLIN, 0}, {ch.err[0], POLLIN, 0}, {ch.master, POLLIN, 0}};
  int open_pipes = (fds[0].fd >= 0) + (fds[1].fd >= 0);
  char buf[65536];
  while (open_pipes > 0) {
    long long elapsed = now_us() - start;
    if (!signalled && clock_running && elapsed >= o.signal_delay_us) {
      kill(pid, o.signal);
      signalled = true;
      r.signal_sent = true;
    }
    if (elapsed > o.timeout_ms * 1000LL) {
      r.timed_out = true;
      kill(pid, SIGKILL);
      break;
    }
    int wait_ms = signalled || !clock_running ? 20 : 0;
    if (poll(fds, ch.master >= 0 ? 3 : 2, wait_ms) < 0 && errno != EINTR) break;
    for (int i = 0; i < 3; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      ssize_t got = read(fds[i].fd, buf, sizeof buf);
      if (got > 0) {
        if (i + 1 == o.signal_clock && !clock_running) {
          clock_running = true;
          start = now_us();
        }
        if (i == 0) r.out.append(buf, static_cast<size_t>(got));
        if (i == 1) r.err.append(buf, static_cast<size_t>(got));
      } else if (i < 2) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_pipes;
      } else {
        fds[i].fd = -1;  // the terminal's echo is not collected
      }
    }
  }
  ch.out[0] = fds[0].fd;
  ch.err[0] = fds[1].fd;
}

// Waits for the child, closes what is left, and records how it ended.
void finish(Channels& ch, pid_t pid, ChildResult& r) {
  int status = 0;
  waitpid(pid, &status, 0);
  for (int fd : {ch.out[0], ch.err[0], ch.master}) {
    if (fd >= 0) close(fd);
  }
  // The emulator's own line when the program aborts is not the program's.
  if (!emulator().empty()) {
    std::size_t at = r.err.rfind("qemu: uncaught target signal");
    if (at != std::string::npos && (at == 0 || r.err[at - 1] == '\n')) r.err.erase(at);
  }
  r.exited = WIFEXITED(status);
  if (r.exited) r.code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
}

}  // namespace

ChildResult run_child(const ChildOptions& o) {
  Channels ch = open_channels(o);
  pid_t pid = start_child(o, ch);
  ChildResult r;
  collect(o, ch, pid, r);
  finish(ch, pid, r);
  return r;
}

}  // namespace testing_support
