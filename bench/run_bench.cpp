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
//   build/bench/run_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
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

void run_program(benchmark::State& state, const char* path, const char* base = "/tmp") {
  std::string templ = std::string(base) + "/meld-run-XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) {
    state.SkipWithError("no directory for the runs");
    return;
  }
  const std::string& dir = templ;
  for (auto _ : state) run_once(path, dir);
  state.counters["peak_rss_kib"] = static_cast<double>(peak_rss(path, dir));
  unlink((dir + "/Meld-System666.txt").c_str());
  rmdir(dir.c_str());
}

void BM_program(benchmark::State& state) {
  run_program(state, MELD_PROGRAM);
}
void BM_program_in_memory(benchmark::State& state) {
  run_program(state, MELD_PROGRAM, "/dev/shm");
}
void BM_minimal_c(benchmark::State& state) {
  run_program(state, MINIMAL_RUN);
}

void BM_minimal_c_static(benchmark::State& state) {
  run_program(state, MINIMAL_RUN_STATIC);
}
void BM_minimal_c_static_in_memory(benchmark::State& state) {
  run_program(state, MINIMAL_RUN_STATIC, "/dev/shm");
}
void BM_exit_only(benchmark::State& state) {
  run_program(state, EXIT_ONLY);
}

BENCHMARK(BM_program)->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_program_in_memory)->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_minimal_c)->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_minimal_c_static)->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_minimal_c_static_in_memory)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(2.0)
    ->UseRealTime();
BENCHMARK(BM_exit_only)->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
