// gaussjo's arithmetic and matmult's at large orders: the production order
// against the literal row order (the oracle of the tests), and gaussjo
// against LAPACK's LU inversion and solve. Each iteration starts from a
// fresh copy of the same matrix.
//
// OpenBLAS chooses its kernels once, when it is loaded. On x86-64 the
// program therefore runs itself once more, after its own benchmarks, with
// OpenBLAS held to its AVX2 kernels (OPENBLAS_CORETYPE=Haswell): that
// pass runs the OpenBLAS benchmarks alone, under the same command-line
// flags, each row labelled with the kernels' name.
//
//   OPENBLAS_NUM_THREADS=1 build/bench/gaussjo_bench
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "linalg/gaussjo.h"
#include "linalg/kernels.h"
#include "linalg/matmult.h"
#include "tests/linalg_oracle.h"

#ifdef MELD_WITH_LAPACK
extern "C" {
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetri_(const int* n, double* a, const int* lda, const int* ipiv, double* work,
             const int* lwork, int* info);
void dgetrs_(const char* trans, const int* n, const int* nrhs, const double* a, const int* lda,
             const int* ipiv, double* b, const int* ldb, int* info);
void dgemm_(const char* transa, const char* transb, const int* m, const int* n, const int* k,
            const double* alpha, const double* a, const int* lda, const double* b, const int* ldb,
            const double* beta, double* c, const int* ldc);
void openblas_set_num_threads(int);
}
#endif

namespace {

struct System {
  std::vector<double> a, ainv, b, x;
};

System make_system(int n) {
  std::mt19937_64 rng(static_cast<unsigned>(n));
  std::uniform_real_distribution<double> real(-1, 1);
  System s;
  const auto order = static_cast<size_t>(n);
  s.a.resize(order * order);
  s.ainv.resize(s.a.size());
  s.b.resize(order);
  s.x.resize(s.b.size());
  for (double& v : s.a) v = real(rng);
  for (size_t i = 0; i < order; ++i) s.a[i * order + i] += n;  // no tiny pivots
  for (double& v : s.b) v = real(rng);
  return s;
}

// One kernel variant, forced.
void BM_gaussjo_variant(benchmark::State& state, linalg::Isa isa) {
  const int n = static_cast<int>(state.range(0));
  System s = make_system(n);
  std::vector<double> a;
  for (auto _ : state) {
    a = s.a;
    linalg::gaussjo_solve(n, a.data(), s.ainv.data(), s.b.data(), s.x.data(), isa);
    benchmark::DoNotOptimize(s.x.data());
  }
}

void BM_matmult_variant(benchmark::State& state, linalg::Isa isa) {
  const int n = static_cast<int>(state.range(0));
  System s = make_system(n);
  for (auto _ : state) {
    linalg::matmult_product(n, n, s.a.data(), s.a.data(), s.ainv.data(), isa);
    benchmark::DoNotOptimize(s.ainv.data());
  }
}

// The multiply-subtract pairs that Gauss-Jordan elimination must make at
// order n: at each of the n steps, the n - 1 other rows of every column of
// a, and of the columns of ainv that are no longer unit vectors (p + 1 of
// them at step p, counting from 0).
double gaussjo_pairs(double n) {
  return (n - 1) * n * (3 * n + 1) / 2;
}

// The seconds that work() takes.
template <class Work>
double seconds_of(Work work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// gaussjo's rate per multiply-subtract pair over matmult's (n^3 pairs),
// the same variant, one of each in turn at every iteration: a figure that
// means the same on a slower or a busier machine. The time is gaussjo's.
void BM_rate_ratio(benchmark::State& state, linalg::Isa isa) {
  const int n = static_cast<int>(state.range(0));
  System s = make_system(n);
  std::vector<double> a, product(s.a.size());
  double gaussjo = 0, matmult = 0;
  for (auto _ : state) {
    a = s.a;
    const double g = seconds_of([&] {
      linalg::gaussjo_solve(n, a.data(), s.ainv.data(), s.b.data(), s.x.data(), isa);
      benchmark::DoNotOptimize(s.x.data());
    });
    const double m = seconds_of([&] {
      linalg::matmult_product(n, n, s.a.data(), s.a.data(), product.data(), isa);
      benchmark::DoNotOptimize(product.data());
    });
    state.SetIterationTime(g);
    gaussjo += g;
    matmult += m;
  }
  const double order = n;
  state.counters["matmult_ms"] = 1e3 * matmult / static_cast<double>(state.iterations());
  state.counters["rate_ratio"] = gaussjo_pairs(order) / gaussjo / (order * order * order / matmult);
}

void BM_gaussjo_oracle(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  System s = make_system(n);
  std::vector<double> a;
  for (auto _ : state) {
    a = s.a;
    testing_support::gaussjo_oracle(n, a.data(), s.ainv.data(), s.b.data(), s.x.data());
    benchmark::DoNotOptimize(s.x.data());
  }
}

#ifdef MELD_WITH_LAPACK
bool blas_ran = false;

// Marks the row with the kernels that OpenBLAS was held to, if any.
void label_blas(benchmark::State& state) {
  blas_ran = true;
  if (const char* core = std::getenv("OPENBLAS_CORETYPE")) state.SetLabel(core);
}

// LU factorisation, inversion from it, and the solve: what gaussjo gives.
void BM_lapack(benchmark::State& state) {
  openblas_set_num_threads(1);
  const int n = static_cast<int>(state.range(0));
  System s = make_system(n);
  std::vector<int> ipiv(static_cast<size_t>(n));
  std::vector<double> lu, work(static_cast<size_t>(n) * 64);
  const int lwork = static_cast<int>(work.size()), one = 1;
  int info = 0;
  label_blas(state);
  for (auto _ : state) {
    lu = s.a;
    dgetrf_(&n, &n, lu.data(), &n, ipiv.data(), &info);
    s.x = s.b;
    dgetrs_("N", &n, &one, lu.data(), &n, ipiv.data(), s.x.data(), &n, &info);
    dgetri_(&n, lu.data(), &n, ipiv.data(), work.data(), &lwork, &info);
    benchmark::DoNotOptimize(lu.data());
  }
}
// The product with the BLAS: what matmult computes (with fused multiply-adds
// and its own order of summation).
void BM_dgemm(benchmark::State& state) {
  openblas_set_num_threads(1);
  const int n = static_cast<int>(state.range(0));
  System s = make_system(n);
  const double one = 1, zero = 0;
  label_blas(state);
  for (auto _ : state) {
    dgemm_("N", "N", &n, &n, &n, &one, s.a.data(), &n, s.a.data(), &n, &zero, s.ainv.data(), &n);
    benchmark::DoNotOptimize(s.ainv.data());
  }
}
#endif

// Set in the pass that holds OpenBLAS to its AVX2 kernels.
constexpr const char* kBlasPass = "MELD_BENCH_BLAS_PASS";

void BM_matmult_oracle(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  System s = make_system(n);
  for (auto _ : state) {
    testing_support::matmult_oracle(n, n, s.a.data(), s.a.data(), s.ainv.data());
    benchmark::DoNotOptimize(s.ainv.data());
  }
}

// OpenBLAS; then, unless this is the OpenBLAS pass, the variant that the
// program chooses at orders 2 to 2000, each variant that the processor
// has, forced, at 1000 and 2000, with its rate ratio, and the literal
// orders.
const bool registered = [] {
#ifdef MELD_WITH_LAPACK
  benchmark::RegisterBenchmark("BM_dgemm", BM_dgemm)
      ->Arg(1000)
      ->Arg(2000)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_lapack", BM_lapack)
      ->Arg(250)
      ->Arg(500)
      ->Arg(1000)
      ->Arg(2000)
      ->Unit(benchmark::kMillisecond);
#endif
  if (std::getenv(kBlasPass) != nullptr) return true;
  using linalg::Isa;
  const std::pair<const char*, Isa> variants[] = {{"best", linalg::best_isa()},
                                                  {"baseline", Isa::Baseline},
                                                  {"avx2", Isa::Avx2},
                                                  {"avx512", Isa::Avx512}};
  using Routine = void (*)(benchmark::State&, Isa);
  const std::pair<const char*, Routine> routines[] = {{"BM_gaussjo/", BM_gaussjo_variant},
                                                      {"BM_matmult/", BM_matmult_variant}};
  for (auto [name, isa] : variants) {
    if (!linalg::isa_supported(isa)) continue;
    for (auto [routine, fn] : routines) {
      auto* b = benchmark::RegisterBenchmark((std::string(routine) + name).c_str(), fn, isa);
      if (std::string_view(name) == "best") {
        for (int n : {2, 8, 32, 100, 200, 250, 500}) b->Arg(n);
      }
      b->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark((std::string("BM_rate_ratio/") + name).c_str(), BM_rate_ratio, isa)
        ->Arg(1000)
        ->Arg(2000)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("BM_gaussjo_oracle", BM_gaussjo_oracle)
      ->Arg(250)
      ->Arg(500)
      ->Arg(1000)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1);
  benchmark::RegisterBenchmark("BM_matmult_oracle", BM_matmult_oracle)
      ->Arg(250)
      ->Arg(500)
      ->Arg(1000)
      ->Arg(2000)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1);
  return true;
}();

// The pass with OpenBLAS on its AVX2 kernels: this program again, with the
// same arguments, its output following this one's.
void run_blas_pass(char** argv) {
#if defined(MELD_WITH_LAPACK) && defined(__x86_64__)
  // Not when the user chose the kernels, nor when no OpenBLAS row ran.
  if (std::getenv("OPENBLAS_CORETYPE") != nullptr || !blas_ran) return;
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("OPENBLAS_CORETYPE", "Haswell", 1);
    setenv(kBlasPass, "1", 1);
    execv("/proc/self/exe", argv);
    _exit(127);
  }
  int status;
  if (pid > 0) waitpid(pid, &status, 0);
#else
  (void)argv;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc + 1);  // before flags are taken out
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (std::getenv(kBlasPass) == nullptr) run_blas_pass(args.data());
  return 0;
}
