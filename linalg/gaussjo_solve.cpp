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
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "linalg/gaussjo.h"
#include "linalg/kernels.h"

namespace linalg {

namespace {

using std::size_t;

// The multipliers of one block of steps. A block of 16 steps suits orders
// whose columns stay in the cache; larger orders stream the matrices from
// memory once per block, and take 32 steps at a time while 64 Ki
// multipliers hold them. The block shrinks as n grows further.
constexpr size_t kMultiplierRoom = 65536;
constexpr size_t kSmallBlock = 16;
constexpr size_t kLargeBlock = 32;
constexpr size_t kLargeOrder = 1500;
static_assert(kSmallBlock <= kMaxSweepSteps && kLargeBlock <= kMaxSweepSteps,
              "a block's steps must fit the sweep's room for them");
// Small orders keep their multipliers on the stack (4 KiB); larger ones
// take them from the heap, once per call.
constexpr size_t kStackRoom = 512;

size_t block_for(size_t n) {
  return std::clamp<size_t>(kMultiplierRoom / n, 1, n < kLargeOrder ? kSmallBlock : kLargeBlock);
}

// Every pivot step applied to every column, recomputing each multiplier
// a(j,p)/a(p,p) where it is used: the same operations in the same order as
// the blocked sweep, with no workspace. Column p of a holds the multipliers'
// numerators, so it is updated last in its step.
void eliminate_unblocked(size_t n, double* a, double* ainv) {
  for (size_t p = 0; p < n; ++p) {
    const double* pcol = a + p * n;
    auto update = [&](double* col) {
      for (size_t j = 0; j < n; ++j) {
        if (j != p) col[j] = col[j] - pcol[j] / pcol[p] * col[p];
      }
    };
    for (size_t k = 0; k < n; ++k) update(ainv + k * n);
    for (size_t k = 0; k < n; ++k) {
      if (k != p) update(a + k * n);
    }
    update(a + p * n);
  }
}

// Whether all of the first `count` values are finite.
bool all_finite(const double* v, size_t count) {
  for (size_t k = 0; k < count; ++k) {
    if (!std::isfinite(v[k])) return false;
  }
  return true;
}

// The blocked elimination, with room for block*n multipliers in t.
//
// Column k of ainv is still the unit vector e_k when step p < k comes: its
// row p holds +0.0, so the step subtracts t*0, a zero, and leaves every
// element as it was (1 stays 1, +0.0 stays +0.0). While every multiplier
// so far is finite, the sweep of ainv therefore stops at the block's last
// column; a multiplier that is an infinity or a NaN makes t*0 a NaN, and
// from then on every column is swept.
void eliminate_blocked(size_t n, double* a, double* ainv, size_t block, double* t, SweepFn sweep) {
  bool finite = true;
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
      const Columns own[] = {{a, first, last}};
      sweep(own, 1, n, p, 1, tq);
    }
    // Every other column of a, and every column of ainv, the whole block
    // at a time.
    finite = finite && all_finite(t, count * n);
    const Columns others[] = {{a, 0, first}, {a, last, n}, {ainv, 0, finite ? last : n}};
    sweep(others, 3, n, first, count, t);
  }
}

// ainv = I, then `eliminate`, then the division of the inverse by the final
// pivots and the solution.
template <class Eliminate>
void solve(rt::Integer order, double* a, double* ainv, const double* b, double* xvec,
           Eliminate eliminate) {
  if (order <= 0) return;
  const size_t n = static_cast<size_t>(order);

  // ainv = I
  for (size_t j = 0; j < n; ++j) {
    for (size_t i = 0; i < n; ++i) ainv[j * n + i] = i == j ? 1.0 : 0.0;
  }

  eliminate(n);

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

}  // namespace

void gaussjo_solve(rt::Integer order, double* a, double* ainv, const double* b, double* xvec,
                   Isa isa) {
  solve(order, a, ainv, b, xvec, [&](size_t n) {
    // A block of steps at a time, with the multipliers on the stack or the
    // heap; without room for them, one step at a time.
    const SweepFn sweep = sweep_for(isa);
    const size_t block = block_for(n);
    if (block * n <= kStackRoom) {
      double t[kStackRoom];
      eliminate_blocked(n, a, ainv, block, t, sweep);
    } else if (double* t = static_cast<double*>(std::malloc(block * n * sizeof(double)))) {
      eliminate_blocked(n, a, ainv, block, t, sweep);
      std::free(t);
    } else {
      eliminate_unblocked(n, a, ainv);
    }
  });
}

void gaussjo_solve_unblocked(rt::Integer order, double* a, double* ainv, const double* b,
                             double* xvec) {
  solve(order, a, ainv, b, xvec, [&](size_t n) { eliminate_unblocked(n, a, ainv); });
}

void gaussjo_solve(rt::Integer n, double* a, double* ainv, const double* b, double* xvec) {
  gaussjo_solve(n, a, ainv, b, xvec, best_isa());
}

}  // namespace linalg
