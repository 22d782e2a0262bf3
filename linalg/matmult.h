// Matrix product c = a*b, summed in increasing k from +0.0.
#pragma once

#include "linalg/kernels.h"
#include "runtime/records/types.h"

namespace linalg {

// Writes the heading "Matrix Multiplication" on unit 6, then forms
// c(i,j) = sum over k = 1..ncol of a(i,k)*b(k,j).
//
//   nrow  [in]  rows of a, b and c, and their leading dimension
//   ncol  [in]  columns of a, b and c, and the length of the sum; ncol <= nrow
//   a     [in]  nrow x ncol, left factor
//   b     [in]  nrow x ncol, right factor (its first ncol rows are used)
//   c     [out] nrow x ncol, the product; must not overlap a or b
// A count of zero or less leaves c untouched.
void matmult(const rt::Integer& nrow, const rt::Integer& ncol, const double* a, const double* b,
             double* c);

// The arithmetic of matmult without the heading: the sums run over
// register tiles of c (see kernels.inc), each element summed in increasing
// k exactly as the definition orders it.
void matmult_product(rt::Integer nrow, rt::Integer ncol, const double* a, const double* b,
                     double* c);

// The same with a chosen instruction-set variant, which the processor must
// support; every variant gives the same bits.
void matmult_product(rt::Integer nrow, rt::Integer ncol, const double* a, const double* b,
                     double* c, Isa isa);

}  // namespace linalg
