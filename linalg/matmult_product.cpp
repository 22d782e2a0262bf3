#include "linalg/kernels.h"
#include "linalg/matmult.h"

namespace linalg {

void matmult_product(rt::Integer nrow, rt::Integer ncol, const double* a, const double* b,
                     double* c, Isa isa) {
  if (nrow <= 0 || ncol <= 0) return;
  product_for(isa)(static_cast<std::size_t>(nrow), static_cast<std::size_t>(ncol), a, b, c);
}

void matmult_product(rt::Integer nrow, rt::Integer ncol, const double* a, const double* b,
                     double* c) {
  matmult_product(nrow, ncol, a, b, c, best_isa());
}

}  // namespace linalg
