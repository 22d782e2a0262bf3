// The arithmetic of Gauss-Jordan elimination, ordered for the cache.
//
// The defining order is a row at a time: for each pivot i and each row
// j != i, t = a(j,i)/a(i,i), then a(j,k) -= t*a(i,k) and ainv(j,k) -=
// t*ainv(i,k) for every k. Within one pivot step the multipliers depend
// only on column i as the step finds it, so they can all be formed first,
// and the updates can then run down the columns, where the storage is
// contiguous. Going further, a block of steps is applied to each column
// while it is in cache (see kernels.inc). Each element still sees exactly the
// same operations in the same order, so the results are those of the row
// order to the last bit.
#include <algorithm>
#include <cstddef>

#include "linalg/gaussjo.h"

namespace linalg {

namespace {

using std::size_t;

// Room for the multipliers of one block of steps, on the stack. A block of
// 16 steps suits orders whose columns stay in the cache; larger orders
// stream the matrices from memory once per block, and take 32 steps at a
// time while the room holds them. The block shrinks as n grows further.
constexpr size_t kMultiplierRoom = 65536;
constexpr size_t kSmallBlock = 16;
constexpr size_t kLargeBlock = 32;
constexpr size_t kLargeOrder = 1500;

}  // namespace

void gaussjo_solve(rt::Integer order, double* a, double* ainv, const double* b, double* xvec,
                   Isa isa) {
  if (order <= 0) return;
  const size_t n = static_cast<size_t>(order);
  const SweepFn sweep = sweep_for(isa);

  // ainv = I
  for (size_t j = 0; j < n; ++j) {
    for (size_t i = 0; i < n; ++i) ainv[j * n + i] = i == j ? 1.0 : 0.0;
  }

  // Eliminate, a block of steps at a time.
  double t[kMultiplierRoom];
  const size_t block =
      std::clamp<size_t>(kMultiplierRoom / n, 1, n < kLargeOrder ? kSmallBlock : kLargeBlock);
  for (size_t first = 0; first < n; first += block) {
    const size_t count = std::min(block, n - first);
    const size_t last = first + count;
    // The block's own columns, one step at a time: each step's multipliers
    // come from its column as the steps before it left the column.
    for (size_t q = 0; q < count; ++q) {
      const size_t p = first + q;
      const double* pcol = a + p * n;
      double* tq = t + q * n;
      for (size_t j = 0; j < n; ++j) tq[j] = pcol[j] / pcol[p];
      sweep(a, n, first, last, p, 1, tq);
    }
    // Every other column of a, and every column of ainv, the whole block
    // at a time.
    sweep(a, n, 0, first, first, count, t);
    sweep(a, n, last, n, first, count, t);
    sweep(ainv, n, 0, n, first, count, t);
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

void gaussjo_solve(rt::Integer n, double* a, double* ainv, const double* b, double* xvec) {
  gaussjo_solve(n, a, ainv, b, xvec, best_isa());
}

}  // namespace linalg
