// One complete run of the program, without a terminal, against a minimal
// C program that performs the same file round trip and writes the same
// bytes with plain stdio (linked dynamically, and statically like the
// program), and against the floor of any run, a static process that only
// exits: wall time per run and peak resident memory.
//
// The runs take place in a fresh directory under /tmp, and again under
// /dev/shm (a file system in memory) where there is one: rewriting the
// file that the last run left is much of a run's time on a disk whose
// file system discards freed blocks at once, and that cost is the file
// system's, paid by any program that rewrites the file.
//
// Beside them, each system call that a run makes beyond the exit-only
// process's, alone: the terminal check on a standard unit or an opened
// file, an OPEN's failed first attempts, and the rewrite of the exchange
// file (cut to nothing, one record written, closed), on disk and in memory,
// and the lock that the OPEN holds on it.
// The static start-up's readlink of /proc/self/exe is the exit-only
// process's too.
//
//   build/bench/run_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

// Runs `path` in a fresh session (no controlling terminal) in `dir`, with
// its standard streams on /dev/null.
void run_once(const char* path, const std::string& dir) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  char* argv[] = {const_cast<char*>(path), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, path, &actions, &attr, argv, environ) == 0) {
    int status;
    waitpid(pid, &status, 0);
  }
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
}

// Peak memory through the static launcher, the largest of a few runs.
long peak_rss(const char* path, const std::string& dir) {
  long peak = 0;
  for (int k = 0; k < 20; ++k) {
    std::string command = std::string(PEAK_RSS) + " " + dir + " " + path;
    FILE* p = popen(command.c_str(), "r");
    long kib = 0;
    if (p != nullptr && fscanf(p, "%ld", &kib) == 1) peak = std::max(peak, kib);
    if (p != nullptr) pclose(p);
  }
  return peak;
}

// Runs `path` over and over in a fresh directory under `base`.
void BM_run(benchmark::State& state, const char* path, const char* base) {
  std::string dir = std::string(base) + "/meld-run-XXXXXX";
  if (mkdtemp(dir.data()) == nullptr) {
    state.SkipWithError("no directory for the runs");
    return;
  }
  for (auto _ : state) run_once(path, dir);
  state.counters["peak_rss_kib"] = static_cast<double>(peak_rss(path, dir));
  unlink((dir + "/Meld-System666.txt").c_str());
  rmdir(dir.c_str());
}

void BM_readlink_self_exe(benchmark::State& state) {
  char path[4096];
  for (auto _ : state) benchmark::DoNotOptimize(readlink("/proc/self/exe", path, sizeof path));
}

void BM_terminal_check(benchmark::State& state) {
  int fd = open("/dev/null", O_RDONLY);
  termios t;
  for (auto _ : state) benchmark::DoNotOptimize(ioctl(fd, TCGETS, &t));
  close(fd);
}

void BM_failed_open(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(open("/tmp/meld-run-absent", O_RDWR | O_CLOEXEC));
}

// The lock that an OPEN holds on a file: a descriptor of its own, the
// lock taken, and at the CLOSE the descriptor closed.
void BM_file_lock(benchmark::State& state) {
  std::string path = "/tmp/meld-lock-" + std::to_string(getpid());
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  for (auto _ : state) {
    int lock_fd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    benchmark::DoNotOptimize(flock(lock_fd, LOCK_EX | LOCK_NB));
    close(lock_fd);
  }
  close(fd);
  unlink(path.c_str());
}

// Opens the file that the previous iteration left, cuts it, writes one
// record and closes it, as a run does with the exchange file.
void BM_rewrite_file(benchmark::State& state, const char* base) {
  std::string path = std::string(base) + "/meld-rewrite-" + std::to_string(getpid());
  const char record[] = " =>MELDRAK-Programmierung, Teil2\n";
  for (auto _ : state) {
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, record, sizeof record - 1, 0) < 0) {
      state.SkipWithError("cannot rewrite the file");
      break;
    }
    close(fd);
  }
  unlink(path.c_str());
}

BENCHMARK(BM_readlink_self_exe);
BENCHMARK(BM_terminal_check);
BENCHMARK(BM_failed_open);
BENCHMARK(BM_file_lock);
BENCHMARK_CAPTURE(BM_rewrite_file, on_disk, "/tmp")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_rewrite_file, in_memory, "/dev/shm")->Unit(benchmark::kMicrosecond);

// Whole runs: the program, the C round trip (dynamic, static) and the
// process that only exits; on disk (/tmp) and in memory (/dev/shm).
#define RUN(name, path, base)                 \
  BENCHMARK_CAPTURE(BM_run, name, path, base) \
      ->Unit(benchmark::kMicrosecond)         \
      ->MinTime(2.0)                          \
      ->UseRealTime()
RUN(program, MELD_PROGRAM, "/tmp");
RUN(program_in_memory, MELD_PROGRAM, "/dev/shm");
RUN(minimal_c, MINIMAL_RUN, "/tmp");
RUN(minimal_c_static, MINIMAL_RUN_STATIC, "/tmp");
RUN(minimal_c_static_in_memory, MINIMAL_RUN_STATIC, "/dev/shm");
RUN(exit_only, EXIT_ONLY, "/tmp");

}  // namespace

BENCHMARK_MAIN();
