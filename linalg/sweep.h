// The inner work of gaussjo's elimination: applying a block of pivot steps
// to columns of a matrix. Compiled once per instruction set; the fastest
// one the processor has is chosen at run time, and every one gives the
// same bits (no contraction, no reassociation).
#pragma once

#include <cstddef>

namespace linalg {

// Applies the pivot steps first .. first+count-1, in that order, to the
// columns c0 .. c1-1 of the n x n matrix m (column by column, leading
// dimension n). t holds the multipliers, n for each step: t[q*n + j] is
// the multiplier of row j at step first+q. Row p of a column is left alone
// by step p and changed by all the others.
using SweepFn = void (*)(double* m, std::size_t n, std::size_t c0, std::size_t c1,
                         std::size_t first, std::size_t count, const double* t);

enum class Isa { Baseline, Avx2, Avx512 };

void sweep_baseline(double*, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t,
                    const double*);
void sweep_avx2(double*, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t,
                const double*);
void sweep_avx512(double*, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t,
                  const double*);

// Whether this processor can run the variant, and the variant itself.
bool isa_supported(Isa isa);
SweepFn sweep_for(Isa isa);
Isa best_isa();

}  // namespace linalg
