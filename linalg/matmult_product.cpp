// The arithmetic of matmult, ordered for the cache.
//
// Each element is ((+0.0 + a(i,1)*b(1,j)) + a(i,2)*b(2,j)) + ..., summed in
// increasing k. Elements do not depend on one another, so the sums run
// down the columns of a (contiguous storage), four columns of c at a time;
// every element still sees the same additions in the same order.
#include <cstddef>

#include "linalg/matmult.h"

namespace linalg {

void matmult_product(rt::Integer nrow, rt::Integer ncol, const double* a, const double* b,
                     double* c) {
  if (nrow <= 0 || ncol <= 0) return;
  const std::size_t m = static_cast<std::size_t>(nrow);
  const std::size_t n = static_cast<std::size_t>(ncol);
  std::size_t j = 0;
  for (; j + 4 <= n; j += 4) {
    double* c0 = c + j * m;
    double* c1 = c0 + m;
    double* c2 = c1 + m;
    double* c3 = c2 + m;
    for (std::size_t i = 0; i < m; ++i) c0[i] = c1[i] = c2[i] = c3[i] = +0.0;
    for (std::size_t k = 0; k < n; ++k) {
      const double* ak = a + k * m;
      const double b0 = b[j * m + k], b1 = b[(j + 1) * m + k];
      const double b2 = b[(j + 2) * m + k], b3 = b[(j + 3) * m + k];
      for (std::size_t i = 0; i < m; ++i) {
        const double x = ak[i];
        c0[i] = c0[i] + x * b0;
        c1[i] = c1[i] + x * b1;
        c2[i] = c2[i] + x * b2;
        c3[i] = c3[i] + x * b3;
      }
    }
  }
  for (; j < n; ++j) {
    double* cj = c + j * m;
    for (std::size_t i = 0; i < m; ++i) cj[i] = +0.0;
    for (std::size_t k = 0; k < n; ++k) {
      const double* ak = a + k * m;
      const double bkj = b[j * m + k];
      for (std::size_t i = 0; i < m; ++i) cj[i] = cj[i] + ak[i] * bkj;
    }
  }
}

}  // namespace linalg
