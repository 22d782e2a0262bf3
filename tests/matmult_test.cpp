#include "linalg/matmult.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "tests/linalg_oracle.h"

namespace {

using namespace testing_support;

// The checker first: the oracle on a product with an exact answer, the
// fixed matrix times its inverse.
TEST(Oracle, MultipliesExactly) {
  const std::vector<double> a = {1, 3, 2, 4}, ainv = {-2, 1.5, 1, -0.5};
  std::vector<double> c(4);
  matmult_oracle(2, 2, a.data(), ainv.data(), c.data());
  EXPECT_TRUE(same_bits(c, {1, 0, 0, 1}));
}

TEST(Matmult, CountsOfZeroOrLessLeaveTheProductAlone) {
  std::vector<double> a = {1, 2, 3, 4}, b = a, c = {7, 7, 7, 7};
  for (auto [r, k] : {std::pair{0, 2}, {2, 0}, {-1, 2}, {2, -5}}) {
    linalg::matmult_product(r, k, a.data(), b.data(), c.data());
    EXPECT_TRUE(same_bits(c, {7, 7, 7, 7}));
  }
}

TEST(Matmult, OrderOneAndTheSignOfZero) {
  std::vector<double> c = {9};
  linalg::matmult_product(1, 1, std::vector<double>{3}.data(), std::vector<double>{0.5}.data(),
                          c.data());
  EXPECT_TRUE(same_bits(c, {1.5}));
  linalg::matmult_product(1, 1, std::vector<double>{-0.0}.data(), std::vector<double>{1}.data(),
                          c.data());
  EXPECT_TRUE(same_bits(c, {+0.0}));  // the sum starts from +0.0
}

TEST(Matmult, SummationInIncreasingK) {
  // First row of a (1e16, 1, 1), first column of b (1, 1, 1).
  std::vector<double> a(9, 0.0), b(9, 0.0), c(9);
  a[0] = 1e16, a[3] = 1, a[6] = 1;
  b[0] = b[1] = b[2] = 1;
  linalg::matmult_product(3, 3, a.data(), b.data(), c.data());
  EXPECT_EQ(c[0], 1e16);
}

// A product in the subnormal range is rounded once, to its subnormal
// precision. A unit that rounds it to 53 bits first and to the subnormal
// precision on the store (the x87 unit, even held to double precision)
// gives 0x0.02b3266629d5cp-1022. Every sum of such products is exact.
TEST(Matmult, SubnormalProductsAreRoundedOnceInEveryVariant) {
  const double x = 0x1.d9e465a11494fp-540, y = 0x1.755d3fce5d2c6p-490;
  const double product = 0x0.02b3266629d5dp-1022;
  for (linalg::Isa isa : {linalg::Isa::Baseline, linalg::Isa::Avx2, linalg::Isa::Avx512}) {
    if (!linalg::isa_supported(isa)) continue;
    for (int n : {1, 8, 33}) {
      const size_t un = static_cast<size_t>(n);
      std::vector<double> a(un * un, x), b(un * un, y), c(un * un);
      linalg::matmult_product(n, n, a.data(), b.data(), c.data(), isa);
      EXPECT_TRUE(same_bits(c, std::vector<double>(un * un, product * n)))
          << n << ", variant " << static_cast<int>(isa);
    }
  }
}

TEST(Matmult, TheProgramsCallGivesTheExactUnitMatrix) {
  std::vector<double> amat0 = {1, 3, 2, 4}, ainv = {-2, 1.5, 1, -0.5}, c(4);
  linalg::matmult_product(2, 2, amat0.data(), ainv.data(), c.data());
  EXPECT_TRUE(same_bits(c, {1, +0.0, +0.0, 1}));
}

TEST(Matmult, MatchesTheOracle) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> real(-1, 1);
  auto check = [&](int nrow, int ncol, linalg::Isa isa) {
    std::vector<double> a(static_cast<size_t>(nrow * ncol)), b(a.size()), want(a.size()),
        got(a.size());
    for (double& v : a) v = real(rng) * 1e3;
    for (double& v : b) v = real(rng);
    const std::vector<double> a0 = a, b0 = b;
    matmult_oracle(nrow, ncol, a.data(), b.data(), want.data());
    linalg::matmult_product(nrow, ncol, a.data(), b.data(), got.data(), isa);
    ASSERT_TRUE(same_bits(got, want))
        << nrow << "x" << ncol << " variant " << static_cast<int>(isa);
    ASSERT_TRUE(same_bits(a, a0) && same_bits(b, b0));
  };
  // Every instruction-set variant that this processor can run.
  for (linalg::Isa isa : {linalg::Isa::Baseline, linalg::Isa::Avx2, linalg::Isa::Avx512}) {
    if (!linalg::isa_supported(isa)) continue;
    for (int n = 1; n <= 64; ++n) check(n, n, isa);
    for (auto [r, k] : {std::pair{5, 3}, {9, 1}, {17, 16}, {40, 13}}) check(r, k, isa);
    check(100, 100, isa);
    check(257, 257, isa);
  }
}

// A NaN that meets no other NaN on its way keeps its payload and sign, and
// every variant gives the oracle's bits: here each row of a, or each
// column of b, holds at most one NaN. (When one operation meets two NaNs,
// which payload comes out is the compiler's choice of operand order.)
TEST(Matmult, LoneNaNsKeepTheirPayloadsInEveryVariant) {
  std::mt19937_64 rng(11);
  for (linalg::Isa isa : {linalg::Isa::Baseline, linalg::Isa::Avx2, linalg::Isa::Avx512}) {
    if (!linalg::isa_supported(isa)) continue;
    for (int n : {1, 2, 7, 17, 33, 64, 100, 257}) {
      for (bool in_a : {true, false}) {
        const size_t un = static_cast<size_t>(n);
        std::vector<double> a(un * un), b(a.size()), want(a.size()), got(a.size());
        for (double& v : a) v = static_cast<double>(rng() % 19) - 9.25;
        for (double& v : b) v = static_cast<double>(rng() % 19) - 9.5;
        for (size_t k = 0; k < un; ++k) {
          if (rng() % 2 == 0) continue;
          const double nan = nan_with_payload(rng(), rng() % 2 == 0);
          const size_t other = static_cast<size_t>(rng() % un);
          if (in_a) {
            a[other * un + k] = nan;  // row k of a
          } else {
            b[k * un + other] = nan;  // column k of b
          }
        }
        matmult_oracle(n, n, a.data(), b.data(), want.data());
        linalg::matmult_product(n, n, a.data(), b.data(), got.data(), isa);
        ASSERT_TRUE(same_bits(got, want))
            << n << (in_a ? " NaNs in a" : " NaNs in b") << ", variant " << static_cast<int>(isa);
      }
    }
  }
}

}  // namespace
