#include "tests/child.h"

#include <fcntl.h>
#include <poll.h>
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

ChildResult run_child(const ChildOptions& o) {
  int out_pipe[2], err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe");
  int master = -1, slave = -1;
  if (o.terminal && openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
    throw std::runtime_error("openpty");

  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    setsid();
    // What a shell leaves: every signal at its default action and none
    // blocked, whatever the test runner itself was started with.
    for (int s = 1; s < NSIG; ++s) signal(s, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (o.ignore_sigint) signal(SIGINT, SIG_IGN);
    int in = -1;
    if (o.terminal) {
      if (ioctl(slave, TIOCSCTTY, 0) != 0) child_fail("TIOCSCTTY");
      in = slave;
    }
    if (!o.stdin_file.empty()) in = open(o.stdin_file.c_str(), O_RDONLY);
    if (in < 0) in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    if (o.stdout_closed) {
      close(1);
    } else if (!o.stdout_file.empty()) {
      int fd = open(o.stdout_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0) child_fail("stdout file");
      dup2(fd, 1);
    } else {
      dup2(out_pipe[1], 1);
    }
    dup2(err_pipe[1], 2);
    if (master >= 0) close(master);
    if (slave > 2) close(slave);
    if (!o.cwd.empty() && chdir(o.cwd.c_str()) != 0) child_fail("chdir");
    for (auto [resource, limit] :
         {std::pair{RLIMIT_FSIZE, o.file_size_limit}, std::pair{RLIMIT_STACK, o.stack_limit}}) {
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

  close(out_pipe[1]);
  close(err_pipe[1]);
  if (slave >= 0) close(slave);
  if (master >= 0 && !o.answer.empty()) {
    ssize_t put = write(master, o.answer.data(), o.answer.size());
    (void)put;
  }

  ChildResult r;
  long long start = now_us();
  bool started = o.signal_clock == 0;
  if (o.close_stdout_reader) close(out_pipe[0]);
  bool signalled = o.signal == 0;
  pollfd fds[3] = {{o.close_stdout_reader ? -1 : out_pipe[0], POLLIN, 0},
                   {err_pipe[0], POLLIN, 0},
                   {master, POLLIN, 0}};
  int open_pipes = o.close_stdout_reader ? 1 : 2;
  char buf[65536];
  while (open_pipes > 0) {
    long long elapsed = now_us() - start;
    if (!signalled && started && elapsed >= o.signal_delay_us) {
      kill(pid, o.signal);
      signalled = true;
    }
    if (elapsed > o.timeout_ms * 1000LL) {
      r.timed_out = true;
      kill(pid, SIGKILL);
      break;
    }
    int wait_ms = signalled || !started ? 20 : 0;
    if (poll(fds, master >= 0 ? 3 : 2, wait_ms) < 0 && errno != EINTR) break;
    for (int i = 0; i < 3; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      ssize_t got = read(fds[i].fd, buf, sizeof buf);
      if (got > 0) {
        if (i + 1 == o.signal_clock && !started) {
          started = true;
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
  int status = 0;
  waitpid(pid, &status, 0);
  for (int i = 0; i < 2; ++i) {
    if (fds[i].fd >= 0) close(fds[i].fd);
  }
  if (master >= 0) close(master);
  // The emulator's own line when the program aborts is not the program's.
  if (!emulator().empty()) {
    std::size_t at = r.err.rfind("qemu: uncaught target signal");
    if (at != std::string::npos && (at == 0 || r.err[at - 1] == '\n')) r.err.erase(at);
  }
  r.exited = WIFEXITED(status);
  if (r.exited) r.code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  return r;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

TempDir::TempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "meld-test-XXXXXX").string();
  if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp");
  path_ = templ;
  chmod(path_.c_str(), 0777);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::all, ec);
  std::filesystem::remove_all(path_, ec);
}

}  // namespace testing_support
