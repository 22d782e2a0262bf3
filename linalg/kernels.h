// The inner loops of gaussjo and matmult, compiled once per instruction
// set; the widest one the processor has is chosen at run time, and every
// one gives the same bits (no contraction, no reassociation).
#pragma once

#include <cstddef>

namespace linalg {

enum class Isa { Baseline, Avx2, Avx512 };

// Whether this processor can run the variant, and the best one it can.
bool isa_supported(Isa isa);
Isa best_isa();

// Columns c0 .. c1-1 of an n x n matrix m (column by column, leading
// dimension n).
struct Columns {
  double* m;
  std::size_t c0, c1;
};

// gaussjo's sweep: applies the pivot steps first .. first+count-1, in that
// order, to each of the `spans` column spans of n x n matrices. t holds the
// multipliers, n for each step: t[q*n + j] is the multiplier of row j at
// step first+q. Row p of a column is left alone by step p and changed by
// all the others.
// `count` is at most kMaxSweepSteps.
inline constexpr std::size_t kMaxSweepSteps = 64;
using SweepFn = void (*)(const Columns* spans, std::size_t count_of_spans, std::size_t n,
                         std::size_t first, std::size_t count, const double* t);

// matmult's product: c(i,j) = ((+0.0 + a(i,1)*b(1,j)) + a(i,2)*b(2,j)) + ...
// for i < nrow, j < ncol, summed over k < ncol in increasing order; all
// three with leading dimension nrow.
using ProductFn = void (*)(std::size_t nrow, std::size_t ncol, const double* a, const double* b,
                           double* c);

// The quotients out[i] = x[i] / d[i*d_step] for i < count, with d_step 0
// (one divisor for all) or 1; out may be x. Returns whether every quotient
// is finite.
using QuotientsFn = bool (*)(std::size_t count, const double* x, const double* d,
                             std::size_t d_step, double* out);

// y[i] = y[i] + x[i]*a for i < count.
using AddMultipleFn = void (*)(std::size_t count, double a, const double* x, double* y);

ProductFn product_for(Isa isa);

}  // namespace linalg
