// The sweep compiled for the avx512 instruction set.
// 32 vector registers hold eight columns at a time.
#define SWEEP_COLUMNS 8
#include "linalg/sweep_kernel.inc"

namespace linalg {

void sweep_avx512(double* m, std::size_t n, std::size_t c0, std::size_t c1, std::size_t first,
                  std::size_t count, const double* t) {
  sweep_impl(m, n, c0, c1, first, count, t);
}

}  // namespace linalg
