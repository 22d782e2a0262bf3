// The arithmetic of Gauss-Jordan elimination, ordered for the cache.
//
// The defining order is a row at a time: for each pivot i and each row
// j != i, t = a(j,i)/a(i,i), then a(j,k) -= t*a(i,k) and ainv(j,k) -=
// t*ainv(i,k) for every k. Within one pivot step the multipliers depend
// only on column i, which the step leaves alone except for the residues it
// computes; so they can be formed first, and the updates can run down the
// columns, where the storage is contiguous. Going further, a block of
// pivots is applied to each column in turn while it is in cache. Each
// element still sees exactly the same operations in the same order, so
// the results are those of the row order to the last bit.
#include <algorithm>
#include <cstddef>

#include "linalg/gaussjo.h"

namespace linalg {

namespace {

using std::size_t;

// Room for the multipliers of one block of pivots, on the stack.
constexpr size_t kMultiplierRoom = 32768;
constexpr size_t kMaxBlock = 16;
constexpr size_t kGroup = 4;

// Applies pivot p to one column: col(j) -= t(j)*col(p) for every j != p.
void apply_pivot(double* col, size_t n, size_t p, const double* t) {
  const double s = col[p];
  for (size_t j = 0; j < p; ++j) col[j] = col[j] - t[j] * s;
  for (size_t j = p + 1; j < n; ++j) col[j] = col[j] - t[j] * s;
}

// Applies the four pivots r..r+3 to one column, in that order. The pivot
// rows are done one by one: row r+q takes the pivots before it, skips its
// own and takes those after it. Every other row takes all four in turn.
void apply_group(double* col, size_t n, size_t r, const double* t0, const double* t1,
                 const double* t2, const double* t3) {
  const double* t[kGroup] = {t0, t1, t2, t3};
  double s[kGroup];
  for (size_t q = 0; q < kGroup; ++q) {
    double v = col[r + q];
    for (size_t e = 0; e < q; ++e) v = v - t[e][r + q] * s[e];
    s[q] = v;
  }
  for (size_t q = 0; q < kGroup; ++q) {
    double v = s[q];
    for (size_t e = q + 1; e < kGroup; ++e) v = v - t[e][r + q] * s[e];
    col[r + q] = v;
  }
  const double s0 = s[0], s1 = s[1], s2 = s[2], s3 = s[3];
  for (size_t j = 0; j < r; ++j) {
    col[j] = (((col[j] - t0[j] * s0) - t1[j] * s1) - t2[j] * s2) - t3[j] * s3;
  }
  for (size_t j = r + kGroup; j < n; ++j) {
    col[j] = (((col[j] - t0[j] * s0) - t1[j] * s1) - t2[j] * s2) - t3[j] * s3;
  }
}

// Applies the pivots first..first+count-1 to one column, in order; t holds
// their multipliers, one column of n for each.
void apply_block(double* col, size_t n, size_t first, size_t count, const double* t) {
  size_t q = 0;
  for (; q + kGroup <= count; q += kGroup) {
    apply_group(col, n, first + q, t + q * n, t + (q + 1) * n, t + (q + 2) * n, t + (q + 3) * n);
  }
  for (; q < count; ++q) apply_pivot(col, n, first + q, t + q * n);
}

}  // namespace

void gaussjo_solve(rt::Integer order, double* a, double* ainv, const double* b, double* xvec) {
  if (order <= 0) return;
  const size_t n = static_cast<size_t>(order);

  // ainv = I
  for (size_t j = 0; j < n; ++j) {
    for (size_t i = 0; i < n; ++i) ainv[j * n + i] = i == j ? 1.0 : 0.0;
  }

  // Eliminate, a block of pivots at a time; the block shrinks as n grows
  // so that its multipliers fit their room.
  double t[kMultiplierRoom];
  const size_t block = std::clamp<size_t>(kMultiplierRoom / n, 1, kMaxBlock);
  for (size_t first = 0; first < n; first += block) {
    const size_t count = std::min(block, n - first);
    // The block's own columns, one pivot at a time: each pivot's
    // multipliers come from its column as the earlier pivots left it.
    for (size_t q = 0; q < count; ++q) {
      const size_t p = first + q;
      const double* pcol = a + p * n;
      double* tq = t + q * n;
      for (size_t j = 0; j < n; ++j) tq[j] = pcol[j] / pcol[p];
      for (size_t c = first; c < first + count; ++c) apply_pivot(a + c * n, n, p, tq);
    }
    // Every other column of a, and every column of ainv.
    for (size_t c = 0; c < n; ++c) {
      if (c < first || c >= first + count) apply_block(a + c * n, n, first, count, t);
    }
    for (size_t c = 0; c < n; ++c) apply_block(ainv + c * n, n, first, count, t);
  }

  // ainv(i,j) = ainv(i,j) / a(i,i)
  for (size_t j = 0; j < n; ++j) {
    for (size_t i = 0; i < n; ++i) ainv[j * n + i] = ainv[j * n + i] / a[i * n + i];
  }

  // xvec(i) = sum over j of ainv(i,j)*b(j), in increasing j.
  for (size_t i = 0; i < n; ++i) xvec[i] = 0.0;
  for (size_t j = 0; j < n; ++j) {
    const double bj = b[j];
    for (size_t i = 0; i < n; ++i) xvec[i] = xvec[i] + ainv[j * n + i] * bj;
  }
}

}  // namespace linalg
