// Gauss-Jordan solution of a*x = b and inversion of a, without pivoting.
//
// Matrices are stored column by column with leading dimension n: element
// (i, j), counted from 1, is at (j-1)*n + (i-1).
#pragma once

#include "linalg/kernels.h"
#include "runtime/records/types.h"

namespace linalg {

// Solves a*x = b and sets ainv = inverse(a) in one pass, and writes the
// report of the elimination on unit 6.
//
//   n     [in]     order of the system; n <= 0 computes nothing
//   a     [in,out] n x n; on entry the matrix, on exit the reduced matrix
//                  (diagonal up to rounding residues, the final pivots on
//                  the diagonal)
//   ainv  [out]    n x n; the inverse of a as it was on entry; not read
//   b     [in]     n; the right-hand side; never written
//   xvec  [out]    n; the solution ainv*b
void gaussjo(const rt::Integer& n, double* a, double* ainv, const double* b, double* xvec);

// The arithmetic of gaussjo without the report: the elimination with every
// column updated at every step, the division of the inverse by the final
// pivots, and the solution summed in increasing j. Every result is fixed
// to the last bit; the work is ordered column by column for speed.
void gaussjo_solve(rt::Integer n, double* a, double* ainv, const double* b, double* xvec);

// The same with a chosen instruction-set variant of the inner sweep, which
// the processor must support; every variant gives the same bits.
void gaussjo_solve(rt::Integer n, double* a, double* ainv, const double* b, double* xvec, Isa isa);

// The same one step at a time, recomputing every multiplier where it is
// used: no workspace at all, the same bits, and slower. gaussjo_solve
// falls back to it when it cannot allocate its multipliers.
void gaussjo_solve_unblocked(rt::Integer n, double* a, double* ainv, const double* b, double* xvec);

}  // namespace linalg
