// Plain implementations of gaussjo's and matmult's arithmetic in the
// defining loop order, a row at a time: the oracle that the production
// routines must match to the last bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace testing_support {

// Results are compared bit for bit: signs of zeros and NaN payloads count.
inline bool same_bits(const std::vector<double>& x, const std::vector<double>& y) {
  return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * sizeof(double)) == 0;
}

// The same, but for the sign of a NaN, which IEEE 754 leaves open for the
// results of arithmetic: armhf's multiply-subtract (VMLS, rounded as a
// multiplication and a subtraction) negates a NaN product where a
// subtraction would pass it on as it is.
inline bool same_bits_but_nan_signs(const std::vector<double>& x, const std::vector<double>& y) {
  if (x.size() != y.size()) return false;
  constexpr std::uint64_t kNoSign = ~(1ULL << 63);
  for (std::size_t k = 0; k < x.size(); ++k) {
    std::uint64_t a, b;
    std::memcpy(&a, &x[k], sizeof a);
    std::memcpy(&b, &y[k], sizeof b);
    const bool nan = x[k] != x[k];
    if (nan ? (a & kNoSign) != (b & kNoSign) : a != b) return false;
  }
  return true;
}

// A quiet NaN with the given payload and sign.
inline double nan_with_payload(std::uint64_t payload, bool negative) {
  const std::uint64_t bits = (negative ? 0xfff8000000000000ULL : 0x7ff8000000000000ULL) |
                             (payload & 0x0007ffffffffffffULL);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

inline void gaussjo_oracle(int n, double* a, double* ainv, const double* b, double* xvec) {
  auto A = [&](int i, int j) -> double& { return a[(j - 1) * n + (i - 1)]; };
  auto V = [&](int i, int j) -> double& { return ainv[(j - 1) * n + (i - 1)]; };
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) V(i, j) = i == j ? 1.0 : 0.0;
  }
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      if (j == i) continue;
      const double t = A(j, i) / A(i, i);
      for (int k = 1; k <= n; ++k) {
        A(j, k) = A(j, k) - t * A(i, k);
        V(j, k) = V(j, k) - t * V(i, k);
      }
    }
  }
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) V(i, j) = V(i, j) / A(i, i);
  }
  for (int i = 1; i <= n; ++i) {
    xvec[i - 1] = 0.0;
    for (int j = 1; j <= n; ++j) xvec[i - 1] = xvec[i - 1] + V(i, j) * b[j - 1];
  }
}

inline void matmult_oracle(int nrow, int ncol, const double* a, const double* b, double* c) {
  for (int i = 1; i <= nrow; ++i) {
    for (int j = 1; j <= ncol; ++j) {
      double& cij = c[(j - 1) * nrow + (i - 1)];
      cij = +0.0;
      for (int k = 1; k <= ncol; ++k) {
        cij = cij + a[(k - 1) * nrow + (i - 1)] * b[(j - 1) * nrow + (k - 1)];
      }
    }
  }
}

}  // namespace testing_support
