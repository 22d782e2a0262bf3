// The kernels compiled for the baseline instruction set.
#include "linalg/kernels.inc"

namespace linalg {

void sweep_baseline(double* m, std::size_t n, std::size_t c0, std::size_t c1, std::size_t first,
                    std::size_t count, const double* t) {
  sweep_impl(m, n, c0, c1, first, count, t);
}

void product_baseline(std::size_t nrow, std::size_t ncol, const double* a, const double* b,
                      double* c) {
  product_impl(nrow, ncol, a, b, c);
}

}  // namespace linalg
