// The arithmetic of Gauss-Jordan elimination, ordered for the cache.
//
// The defining order is a row at a time: for each pivot i and each row
// j != i, t = a(j,i)/a(i,i), then a(j,k) -= t*a(i,k) and ainv(j,k) -=
// t*ainv(i,k) for every k. Within one pivot step the multipliers depend
// only on column i as the step finds it, so they can all be formed first,
// and the updates can then run down the columns, where the storage is
// contiguous. Going further, the steps are taken in blocks: the block's own
// columns first, by halves, which forms the block's multipliers, and then
// every other column takes the whole block in one visit (see kernels.inc).
// Each element still sees exactly the same operations in the same order,
// so the results are those of the row order to the last bit.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "linalg/gaussjo.h"
#include "linalg/isa_variants.h"
#include "linalg/kernels.h"

namespace linalg {

namespace {

using std::size_t;

// The steps of one block: as many as the sweep has room for (64), while
// their multipliers fit in 1 MiB. Each column is visited once per block,
// so the more steps, the fewer times its loads and stores are paid; the
// block's own pivot rows, worked on apart from the other rows, set the
// limit (measured best at 64 for orders 1000 and 2000).
constexpr size_t kMultiplierRoom = 131072;
// Orders up to 32 keep their multipliers on the stack (8 KiB); larger ones
// take them from the heap, once per call.
constexpr size_t kStackRoom = 1024;

size_t block_for(size_t n) {
  return std::clamp<size_t>(kMultiplierRoom / n, 1, std::min(n, kMaxSweepSteps));
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

// ainv(i,j) = ainv(i,j) / a(i,i), the divisor read down the diagonal.
void divide_by_pivots(size_t n, const double* a, double* ainv) {
  for (size_t j = 0; j < n; ++j) {
    for (size_t i = 0; i < n; ++i) ainv[j * n + i] = ainv[j * n + i] / a[i * n + i];
  }
}

// Below this many rows the divisions and the solution's sums are made in
// line: a call to the variant's vector kernels would cost more than it
// saves.
constexpr size_t kVectorRows = 8;

// A few steps, below which own_steps takes them one at a time.
constexpr size_t kFewSteps = 8;

// The steps first+lo .. first+hi-1 applied to the block's columns
// first+lo .. first+hi-1 (which have had the block's steps before lo),
// each step's multipliers formed into t from its column as the steps
// before it left the column. By halves: the first half's columns take the
// first half's steps, the second half's columns take them all at once,
// then the second half's steps, and the first half's columns take those.
// Returns whether every multiplier formed is finite.
bool own_steps(size_t n, double* a, size_t first, size_t lo, size_t hi, double* t,
               const Variant& k) {
  bool finite = true;
  if (hi - lo <= kFewSteps) {
    for (size_t q = lo; q < hi; ++q) {
      const size_t p = first + q;
      const double* pcol = a + p * n;
      double* tq = t + q * n;
      if (n < kVectorRows) {
        for (size_t j = 0; j < n; ++j) {
          tq[j] = pcol[j] / pcol[p];
          finite = finite && std::isfinite(tq[j]);
        }
      } else {
        finite = k.quotients(n, pcol, pcol + p, 0, tq) && finite;
      }
      const Columns own[] = {{a, first + lo, first + hi}};
      k.sweep(own, 1, n, p, 1, tq);
    }
    return finite;
  }
  const size_t mid = lo + (hi - lo) / 2;
  finite = own_steps(n, a, first, lo, mid, t, k);
  const Columns second[] = {{a, first + mid, first + hi}};
  k.sweep(second, 1, n, first + lo, mid - lo, t + lo * n);
  finite = own_steps(n, a, first, mid, hi, t, k) && finite;
  const Columns first_half[] = {{a, first + lo, first + mid}};
  k.sweep(first_half, 1, n, first + mid, hi - mid, t + mid * n);
  return finite;
}

// The blocked elimination, with room for block*n multipliers in t, and
// the division by the pivots.
//
// Column k of ainv is still the unit vector e_k when step p < k comes: its
// row p holds +0.0, so the step subtracts t*0, a zero, and leaves every
// element as it was (1 stays 1, +0.0 stays +0.0). While every multiplier
// so far is finite, the sweep of ainv therefore stops at the block's last
// column; a multiplier that is an infinity or a NaN makes t*0 a NaN, and
// from then on every column is swept.
void eliminate_blocked(size_t n, double* a, double* ainv, size_t block, double* t,
                       const Variant& k) {
  bool finite = true;
  for (size_t first = 0; first < n; first += block) {
    const size_t count = std::min(block, n - first);
    const size_t last = first + count;
    // Every other column of a, and every column of ainv, the whole block
    // at a time.
    finite = own_steps(n, a, first, 0, count, t, k) && finite;
    const Columns others[] = {{a, 0, first}, {a, last, n}, {ainv, 0, finite ? last : n}};
    k.sweep(others, 3, n, first, count, t);
  }
  // The pivots in a row, in the multipliers' room, divide each column.
  if (n < kVectorRows) return divide_by_pivots(n, a, ainv);
  for (size_t i = 0; i < n; ++i) t[i] = a[i * n + i];
  for (size_t j = 0; j < n; ++j) k.quotients(n, ainv + j * n, t, 1, ainv + j * n);
}

// ainv = I, then `eliminate` (which ends with the division of the inverse
// by the final pivots), then the solution.
template <class Eliminate>
void solve(rt::Integer order, double* ainv, const double* b, double* xvec,
           AddMultipleFn add_multiple, Eliminate eliminate) {
  if (order <= 0) return;
  const size_t n = static_cast<size_t>(order);

  // ainv = I
  for (size_t j = 0; j < n; ++j) {
    for (size_t i = 0; i < n; ++i) ainv[j * n + i] = i == j ? 1.0 : 0.0;
  }

  eliminate(n);

  // xvec(i) = sum over j of ainv(i,j)*b(j), in increasing j.
  for (size_t i = 0; i < n; ++i) xvec[i] = 0.0;
  for (size_t j = 0; j < n; ++j) {
    if (n < kVectorRows) {
      for (size_t i = 0; i < n; ++i) xvec[i] = xvec[i] + ainv[j * n + i] * b[j];
    } else {
      add_multiple(n, b[j], ainv + j * n, xvec);
    }
  }
}

}  // namespace

void gaussjo_solve(rt::Integer order, double* a, double* ainv, const double* b, double* xvec,
                   Isa isa) {
  const Variant& kernels = *variant_of(isa);
  solve(order, ainv, b, xvec, kernels.add_multiple, [&](size_t n) {
    // A block of steps at a time, with the multipliers on the stack or the
    // heap; without room for them, one step at a time.
    const size_t block = block_for(n);
    if (block * n <= kStackRoom) {
      double t[kStackRoom];
      eliminate_blocked(n, a, ainv, block, t, kernels);
    } else if (double* t = static_cast<double*>(std::malloc(block * n * sizeof(double)))) {
      eliminate_blocked(n, a, ainv, block, t, kernels);
      std::free(t);
    } else {
      eliminate_unblocked(n, a, ainv);
      divide_by_pivots(n, a, ainv);
    }
  });
}

void gaussjo_solve_unblocked(rt::Integer order, double* a, double* ainv, const double* b,
                             double* xvec) {
  solve(order, ainv, b, xvec, variant_of(Isa::Baseline)->add_multiple, [&](size_t n) {
    eliminate_unblocked(n, a, ainv);
    divide_by_pivots(n, a, ainv);
  });
}

void gaussjo_solve(rt::Integer n, double* a, double* ainv, const double* b, double* xvec) {
  gaussjo_solve(n, a, ainv, b, xvec, best_isa());
}

}  // namespace linalg
