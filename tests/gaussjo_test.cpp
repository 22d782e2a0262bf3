#include "linalg/gaussjo.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "linalg/isa_variants.h"
#include "tests/files.h"
#include "tests/io_helpers.h"
#include "tests/linalg_oracle.h"

namespace {

using namespace testing_support;

// Matrices given by rows, stored by columns.
std::vector<double> by_rows(int n, std::initializer_list<double> rows) {
  std::vector<double> m(static_cast<size_t>(n * n));
  int k = 0;
  for (double v : rows) {
    m[static_cast<size_t>((k % n) * n + k / n)] = v;
    ++k;
  }
  return m;
}

struct Result {
  std::vector<double> a, ainv, x;
};

Result solve(int n, std::vector<double> a, const std::vector<double>& b) {
  Result r{a, std::vector<double>(a.size(), 12345.0), std::vector<double>(b.size())};
  linalg::gaussjo_solve(n, r.a.data(), r.ainv.data(), b.data(), r.x.data());
  return r;
}

// The oracle's result for the same system.
Result oracle(int n, const std::vector<double>& a, const std::vector<double>& b) {
  Result r{a, std::vector<double>(a.size()), std::vector<double>(b.size())};
  gaussjo_oracle(n, r.a.data(), r.ainv.data(), b.data(), r.x.data());
  return r;
}

bool same_result(const Result& got, const Result& want) {
  return same_bits(got.a, want.a) && same_bits(got.ainv, want.ainv) && same_bits(got.x, want.x);
}

// Every way the routine can solve: each instruction-set variant that the
// processor has, and the fallback without workspace.
struct Way {
  std::string name;
  void (*solve)(int n, double* a, double* ainv, const double* b, double* x, linalg::Isa isa);
  linalg::Isa isa;
};

std::vector<Way> ways_to_solve() {
  std::vector<Way> ways;
  for (auto [name, isa] : {std::pair{"baseline", linalg::Isa::Baseline},
                           {"AVX2", linalg::Isa::Avx2},
                           {"AVX-512", linalg::Isa::Avx512}}) {
    if (!linalg::isa_supported(isa)) continue;
    ways.push_back({name,
                    [](int n, double* a, double* ainv, const double* b, double* x, linalg::Isa v) {
                      linalg::gaussjo_solve(n, a, ainv, b, x, v);
                    },
                    isa});
  }
  ways.push_back({"unblocked",
                  [](int n, double* a, double* ainv, const double* b, double* x, linalg::Isa) {
                    linalg::gaussjo_solve_unblocked(n, a, ainv, b, x);
                  },
                  linalg::Isa::Baseline});
  return ways;
}

Result solve_by(const Way& way, int n, const std::vector<double>& a, const std::vector<double>& b) {
  Result r{a, std::vector<double>(a.size(), 12345.0), std::vector<double>(b.size())};
  way.solve(n, r.a.data(), r.ainv.data(), b.data(), r.x.data(), way.isa);
  return r;
}

// The checker first: the oracle on the fixed system, whose reduced
// matrix, inverse and solution are exact.
TEST(Oracle, SolvesTheFixedSystemExactly) {
  std::vector<double> a = by_rows(2, {1, 2, 3, 4}), ainv(4), x(2);
  const std::vector<double> b = {2, -3};
  gaussjo_oracle(2, a.data(), ainv.data(), b.data(), x.data());
  EXPECT_TRUE(same_bits(a, by_rows(2, {1, 0, 0, -2})));
  EXPECT_TRUE(same_bits(ainv, by_rows(2, {-2, 1, 1.5, -0.5})));
  EXPECT_TRUE(same_bits(x, {-7, 4.5}));
}

TEST(Gaussjo, FixedSystemIsExact) {
  std::vector<double> b = {2, -3};
  Result r = solve(2, by_rows(2, {1, 2, 3, 4}), b);
  EXPECT_TRUE(same_bits(r.a, by_rows(2, {1, 0, 0, -2})));
  EXPECT_TRUE(same_bits(r.ainv, by_rows(2, {-2, 1, 1.5, -0.5})));
  EXPECT_TRUE(same_bits(r.x, {-7, 4.5}));
  EXPECT_TRUE(same_bits(b, {2, -3}));
}

TEST(Gaussjo, OrderOne) {
  Result r = solve(1, {49}, {49});
  EXPECT_TRUE(same_bits(r.a, {49}));
  EXPECT_TRUE(same_bits(r.ainv, {0x1.4e5e0a72f0539p-6}));  // 1/49 rounded
  EXPECT_TRUE(same_bits(r.x, {0x1.fffffffffffffp-1}));     // 1 - 2^-53
}

TEST(Gaussjo, ResiduesAreKept) {
  Result r = solve(2, by_rows(2, {49, 0, 1, 1}), {1, 1});
  EXPECT_TRUE(same_bits(r.a, by_rows(2, {49, 0, 0x1p-53, 1})));
  EXPECT_TRUE(same_bits(r.ainv, by_rows(2, {0x1.4e5e0a72f0539p-6, 0, -0x1.4e5e0a72f0539p-6, 1})));
  EXPECT_TRUE(same_bits(r.x, {0.02040816326530612, 0.9795918367346939}));
}

TEST(Gaussjo, SymmetricOrderThreeLastDigits) {
  Result r = solve(3, by_rows(3, {4, 1, 2, 1, 5, 3, 2, 3, 7}), {1, 2, 3});
  EXPECT_TRUE(same_bits(r.a, by_rows(3, {4, 0, 0, 0, 4.75, 0, 0, 0, 4.684210526315789})));
  EXPECT_EQ(r.ainv[3], -0.011235955056179768);  // (1,2)
  EXPECT_EQ(r.ainv[1], -0.011235955056179773);  // (2,1)
  EXPECT_EQ(r.ainv[7], -0.11235955056179775);   // (2,3)
  EXPECT_TRUE(same_bits(r.x, {0.0337078651685393, 0.19101123595505615, 0.33707865168539325}));
}

TEST(Gaussjo, EveryColumnIsUpdated) {
  Result r = solve(3, by_rows(3, {3, 2, 5, 10, 1, 1, 49, 7, 1}), {1, 1, 1});
  EXPECT_TRUE(same_bits(r.a, by_rows(3, {3, 1.9378438248002734e-16, 0, 0, -5.666666666666662, 0, 0,
                                         -3.552713678800501e-15, -9.705882352941174})));
  EXPECT_TRUE(same_bits(r.x, {0.14545454545454542, -0.9454545454545471, 0.4909090909090911}));
}

TEST(Gaussjo, ZeroFirstPivotSpreadsNaNs) {
  Result r = solve(2, by_rows(2, {0, 1, 1, 0}), {1, 1});
  for (double v : r.ainv) EXPECT_TRUE(std::isnan(v));
  for (double v : r.x) EXPECT_TRUE(std::isnan(v));
  EXPECT_TRUE(std::isnan(r.a[0]) && std::isnan(r.a[1]) && std::isnan(r.a[2]));
  EXPECT_EQ(r.a[3], -std::numeric_limits<double>::infinity());
}

// A NaN in the right-hand side meets no other NaN on its way to the
// solution: it keeps its payload and sign in every variant.
TEST(Gaussjo, LoneNaNInTheRightHandSideKeepsItsPayloadInEveryVariant) {
  std::mt19937_64 rng(12);
  for (linalg::Isa isa : {linalg::Isa::Baseline, linalg::Isa::Avx2, linalg::Isa::Avx512}) {
    if (!linalg::isa_supported(isa)) continue;
    for (int n : {1, 2, 9, 33, 100}) {
      const size_t un = static_cast<size_t>(n);
      std::vector<double> a(un * un), b(un, 1.0);
      for (double& v : a) v = static_cast<double>(rng() % 19) - 9.5;
      b[static_cast<size_t>(rng() % un)] = nan_with_payload(rng(), rng() % 2 == 0);
      const Result want = oracle(n, a, b);
      Result got{a, std::vector<double>(a.size()), std::vector<double>(un)};
      linalg::gaussjo_solve(n, got.a.data(), got.ainv.data(), b.data(), got.x.data(), isa);
      ASSERT_TRUE(same_result(got, want)) << n << ", variant " << static_cast<int>(isa);
    }
  }
}

// Infinities in the matrix make multipliers that are infinite, and their
// products with the zeros of the inverse NaNs: every variant still gives
// the oracle's bits (the only NaNs are the processor's own default NaN,
// whose sign a processor's multiply-subtract may turn), also in the
// columns of the inverse that a block's steps would otherwise leave alone.
TEST(Gaussjo, InfinitiesGiveTheOraclesBitsInEveryVariant) {
  std::mt19937_64 rng(13);
  for (linalg::Isa isa : {linalg::Isa::Baseline, linalg::Isa::Avx2, linalg::Isa::Avx512}) {
    if (!linalg::isa_supported(isa)) continue;
    for (int n : {20, 40, 100, 300}) {
      const size_t un = static_cast<size_t>(n);
      for (int trial = 0; trial < 4; ++trial) {
        std::vector<double> a(un * un), b(un, 1.0);
        for (double& v : a) v = static_cast<double>(rng() % 19) - 9.5;
        a[static_cast<size_t>(rng() % (un * un))] = rng() % 2 == 0 ? HUGE_VAL : -HUGE_VAL;
        const Result want = oracle(n, a, b);
        Result got{a, std::vector<double>(a.size()), std::vector<double>(un)};
        linalg::gaussjo_solve(n, got.a.data(), got.ainv.data(), b.data(), got.x.data(), isa);
        ASSERT_TRUE(same_bits_but_nan_signs(got.a, want.a) &&
                    same_bits_but_nan_signs(got.ainv, want.ainv) &&
                    same_bits_but_nan_signs(got.x, want.x))
            << n << ", trial " << trial << ", variant " << static_cast<int>(isa);
      }
    }
  }
}

// The variants' divisions, by one divisor or by one for each value, in
// vectors and in the tail: the quotients of scalar division, a zero
// divisor's sign included, and whether they are all finite.
TEST(Gaussjo, QuotientsOfEveryVariantAreThoseOfScalarDivision) {
  const double x[] = {1, -1, 0.5, -0.0, 3, HUGE_VAL, -7, 1e-300, 2, -2, 9};
  const double d[] = {-0.0, 0.0, -3, 7, -0.0, 2, 0.0, -1e300, -0.0, 5, -0.0};
  constexpr size_t kCount = std::size(x);
  for (linalg::Isa isa : {linalg::Isa::Baseline, linalg::Isa::Avx2, linalg::Isa::Avx512}) {
    if (!linalg::isa_supported(isa)) continue;
    const linalg::QuotientsFn quotients = linalg::variant_of(isa)->quotients;
    for (size_t step : {size_t{0}, size_t{1}}) {
      std::vector<double> got(kCount), want(kCount);
      for (size_t i = 0; i < kCount; ++i) want[i] = x[i] / d[i * step];
      EXPECT_FALSE(quotients(kCount, x, d, step, got.data()));
      EXPECT_TRUE(same_bits(got, want)) << "variant " << static_cast<int>(isa) << ", step " << step;
    }
    // Whether all are finite: one infinity anywhere, in a vector's lane or
    // in the tail, makes it false.
    for (size_t bad = 0; bad <= kCount; ++bad) {
      std::vector<double> y(kCount, 3.0), out(kCount);
      if (bad < kCount) y[bad] = bad % 2 == 0 ? HUGE_VAL : std::nan("");
      const double two = 2.0;
      EXPECT_EQ(quotients(kCount, y.data(), &two, 0, out.data()), bad == kCount)
          << "variant " << static_cast<int>(isa) << ", infinity or NaN at " << bad;
    }
  }
}

TEST(Gaussjo, OrderZeroTouchesNothing) {
  double a = 1, ainv = 2, b = 3, x = 4;
  linalg::gaussjo_solve(0, &a, &ainv, &b, &x);
  linalg::gaussjo_solve(-1, &a, &ainv, &b, &x);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(ainv, 2);
  EXPECT_EQ(b, 3);
  EXPECT_EQ(x, 4);
}

// Random matrices, not diagonally dominant, some with whole entries whose
// eliminations leave residues; the production order against the oracle.
std::vector<double> random_matrix(int n, std::mt19937_64& rng, int kind) {
  std::vector<double> m(static_cast<size_t>(n * n));
  std::uniform_real_distribution<double> real(-1, 1);
  std::uniform_int_distribution<int> whole(-9, 9);
  for (double& v : m) v = kind == 0 ? real(rng) : whole(rng);
  if (kind == 2) {
    for (int i = 0; i < n; ++i) m[static_cast<size_t>(i * n + i)] += 49;  // 1/49-style residues
  }
  return m;
}

void expect_matches_oracle(int n, std::mt19937_64& rng, int kind) {
  std::vector<double> a = random_matrix(n, rng, kind);
  std::vector<double> b(static_cast<size_t>(n));
  for (double& v : b) v = std::uniform_real_distribution<double>(-5, 5)(rng);
  const std::vector<double> b_before = b;
  const Result want = oracle(n, a, b);
  Result got = solve(n, a, b);
  ASSERT_TRUE(same_bits(got.a, want.a)) << "n=" << n << " kind=" << kind;
  ASSERT_TRUE(same_bits(got.ainv, want.ainv)) << "n=" << n << " kind=" << kind;
  ASSERT_TRUE(same_bits(got.x, want.x)) << "n=" << n << " kind=" << kind;
  ASSERT_TRUE(same_bits(b, b_before));
}

TEST(Gaussjo, MatchesTheOracleForEveryOrderUpTo64) {
  std::mt19937_64 rng(1);
  for (int n = 1; n <= 64; ++n) {
    for (int kind = 0; kind < 3; ++kind) expect_matches_oracle(n, rng, kind);
  }
}

TEST(Gaussjo, MatchesTheOracleAtLargeOrders) {
  // Sanitizer builds are slow; they stop at the middle order.
  const bool quick = std::getenv("MELD_QUICK") != nullptr;
  std::mt19937_64 rng(2);
  for (int n : {100, 257, 500}) {
    if (quick && n > 257) break;
    expect_matches_oracle(n, rng, n % 2);
  }
}

#if defined(__x86_64__)
// The variants are chosen from the C library's record of the processor;
// the compiler's own check asks the processor itself. Run under an
// emulated processor without AVX-512 (or without AVX2), both must agree
// that the wider variants are out.
TEST(Gaussjo, VariantsRunWhereTheProcessorHasTheirInstructions) {
  EXPECT_EQ(linalg::isa_supported(linalg::Isa::Avx2), __builtin_cpu_supports("avx2") != 0);
  EXPECT_EQ(linalg::isa_supported(linalg::Isa::Avx512),
            __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl"));
  EXPECT_TRUE(linalg::isa_supported(linalg::Isa::Baseline));
}
#endif

// Every variant, and the fallback without workspace, gives every bit of
// the oracle, at orders that straddle the block sizes.
TEST(Gaussjo, EveryWayOfSolvingGivesTheSameBits) {
  std::mt19937_64 rng(4);
  for (const Way& way : ways_to_solve()) {
    for (int n : {1, 2, 3, 8, 9, 15, 16, 17, 33, 64, 100, 101, 250, 300}) {
      for (int kind = 0; kind < 3; ++kind) {
        std::vector<double> a = random_matrix(n, rng, kind), b(static_cast<size_t>(n), 1.5);
        EXPECT_TRUE(same_result(solve_by(way, n, a, b), oracle(n, a, b)))
            << way.name << " n=" << n << " kind=" << kind;
      }
    }
  }
}

#ifndef PTHREAD_STACK_MIN
#define PTHREAD_STACK_MIN 16384  // MinGW-w64's threads name no least stack
#endif

// Runs `body` on a thread of its own with a stack of `bytes`.
void on_small_stack(std::size_t bytes, void (*body)(void*), void* arg) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  // No smaller than the processor's least stack (128 KiB on aarch64).
  ASSERT_EQ(pthread_attr_setstacksize(&attr,
                                      std::max(bytes, static_cast<std::size_t>(PTHREAD_STACK_MIN))),
            0);
  struct Call {
    void (*body)(void*);
    void* arg;
  } call{body, arg};
  pthread_t thread;
  ASSERT_EQ(pthread_create(
                &thread, &attr,
                [](void* c) -> void* {
                  auto* job = static_cast<Call*>(c);
                  job->body(job->arg);
                  return nullptr;
                },
                &call),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

// The workspace is sized by the order: a thread with a 64 KiB stack solves
// a small system and a large one, with the oracle's bits.
TEST(Gaussjo, RunsOnASmallStack) {
  if (std::getenv("MELD_QUICK") != nullptr) GTEST_SKIP() << "sanitizer stacks are larger";
  std::mt19937_64 rng(6);
  for (int n : {2, 300}) {
    std::vector<double> a = random_matrix(n, rng, 0), b(static_cast<size_t>(n), 2.0);
    const Result want = oracle(n, a, b);
    struct Job {
      int n;
      std::vector<double>* b;
      Result got;
    } job{n, &b, {a, std::vector<double>(a.size()), std::vector<double>(b.size())}};
    on_small_stack(
        64 * 1024,
        [](void* p) {
          auto* j = static_cast<Job*>(p);
          linalg::gaussjo_solve(j->n, j->got.a.data(), j->got.ainv.data(), j->b->data(),
                                j->got.x.data());
        },
        &job);
    EXPECT_TRUE(same_result(job.got, want)) << "n=" << n;
  }
}

TEST(Gaussjo, InverseOnEntryHasNoEffect) {
  std::mt19937_64 rng(3);
  std::vector<double> a = random_matrix(7, rng, 0), b(7, 1.0);
  std::vector<double> x1(7), x2(7), inv1(49, std::nan("")), inv2(49, -1e300);
  std::vector<double> a1 = a, a2 = a;
  linalg::gaussjo_solve(7, a1.data(), inv1.data(), b.data(), x1.data());
  linalg::gaussjo_solve(7, a2.data(), inv2.data(), b.data(), x2.data());
  EXPECT_TRUE(same_bits(inv1, inv2));
  EXPECT_TRUE(same_bits(x1, x2));
  EXPECT_TRUE(same_bits(a1, a2));
}

// The report on unit 6.
std::string report(int n, std::vector<double> a, std::vector<double> b) {
  return console_output([&] {
    std::vector<double> ainv(a.size()), x(b.size());
    linalg::gaussjo(n, a.data(), ainv.data(), b.data(), x.data());
  });
}

std::string golden_lines(int first, int last) {
  std::istringstream in(read_file(std::string(GOLDEN_DIR) + "/console.txt"));
  std::string line, out;
  for (int k = 1; std::getline(in, line); ++k) {
    if (k >= first && k <= last) out += line + "\n";
  }
  return out;
}

TEST(GaussjoReport, FixedSystemRecordByRecord) {
  // Lines 14 to 34 of the program's console report.
  EXPECT_EQ(report(2, by_rows(2, {1, 2, 3, 4}), {2, -3}), golden_lines(14, 34));
}

TEST(GaussjoReport, OrderZeroHasFifteenRecords) {
  const std::string rule = " ============================================\n";
  EXPECT_EQ(report(0, {}, {}),
            rule + " subroutine: Gauss-Jordan inverse of a matrix\n" + rule +
                " NO. OF ROWS\n 0\n YOUR Input-MATRIX - \n B-Vector -\n\n"
                " FINAL Gauss-Jordan reduced MATRIX - \n FINAL Gauss-Jordan INVERSE MATRIX - \n"
                " xvec(i)=...\n\n" +
                rule + "   END Gauss-Jordan subroutine\n" + rule);
}

TEST(GaussjoReport, NonFiniteValuesAreWrittenInFull) {
  std::string r = report(2, by_rows(2, {0, 1, 1, 0}), {1, 1});
  EXPECT_NE(r.find(" FINAL Gauss-Jordan reduced MATRIX - \n  NAN  NAN\n  NAN -INF\n"),
            std::string::npos)
      << r;
  EXPECT_NE(r.find(" xvec(i)=...\n  NAN  NAN\n"), std::string::npos);
  EXPECT_EQ(std::count(r.begin(), r.end(), '\n'), 21);
}

}  // namespace
