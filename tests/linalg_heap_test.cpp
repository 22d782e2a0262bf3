// gaussjo and matmult take no memory from the heap at small orders: the
// calls that the linear algebra makes to the C library's allocator are
// counted (this test is linked with --wrap for the two it uses).
#include <gtest/gtest.h>

#include <cstddef>
#include <utility>
#include <vector>

#include "linalg/gaussjo.h"
#include "linalg/kernels.h"
#include "linalg/matmult.h"

namespace {
int allocations = 0;
}

extern "C" {
void* __real_malloc(std::size_t bytes);
void* __real_aligned_alloc(std::size_t alignment, std::size_t bytes);
void* __wrap_malloc(std::size_t bytes) {
  ++allocations;
  return __real_malloc(bytes);
}
void* __wrap_aligned_alloc(std::size_t alignment, std::size_t bytes) {
  ++allocations;
  return __real_aligned_alloc(alignment, bytes);
}
}

namespace {

// The allocations made by gaussjo and by matmult at order n.
std::pair<int, int> allocations_at(int n, linalg::Isa isa) {
  const auto size = static_cast<std::size_t>(n * n);
  std::vector<double> a(size, 1.0), ainv(size), c(size), b(static_cast<std::size_t>(n), 1.0),
      x(b.size());
  for (int i = 0; i < n; ++i) a[static_cast<std::size_t>(i * n + i)] = n + 1.0;
  const int before = allocations;
  linalg::gaussjo_solve(n, a.data(), ainv.data(), b.data(), x.data(), isa);
  const int gaussjo = allocations - before;
  linalg::matmult_product(n, n, a.data(), ainv.data(), c.data(), isa);
  return {gaussjo, allocations - before - gaussjo};
}

TEST(LinalgHeap, NoneUpToOrder32InEveryVariant) {
  for (linalg::Isa isa : {linalg::Isa::Baseline, linalg::Isa::Avx2, linalg::Isa::Avx512}) {
    if (!linalg::isa_supported(isa)) continue;
    for (int n = 1; n <= 32; ++n) {
      EXPECT_EQ(allocations_at(n, isa), std::make_pair(0, 0))
          << "n=" << n << ", variant " << static_cast<int>(isa);
    }
    // Larger orders take their workspace from the heap: the count sees it.
    const auto [gaussjo, matmult] = allocations_at(300, isa);
    EXPECT_GT(gaussjo, 0);
    EXPECT_GT(matmult, 0);
  }
}

}  // namespace
