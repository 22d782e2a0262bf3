#include "linalg/kernels.h"

namespace linalg {

void sweep_baseline(double*, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t,
                    const double*);
void sweep_avx2(double*, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t,
                const double*);
void sweep_avx512(double*, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t,
                  const double*);
void product_baseline(std::size_t, std::size_t, const double*, const double*, double*);
void product_avx2(std::size_t, std::size_t, const double*, const double*, double*);
void product_avx512(std::size_t, std::size_t, const double*, const double*, double*);

bool isa_supported(Isa isa) {
  switch (isa) {
    case Isa::Avx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
    case Isa::Avx2:
      return __builtin_cpu_supports("avx2");
    default:
      return true;
  }
}

SweepFn sweep_for(Isa isa) {
  switch (isa) {
    case Isa::Avx512:
      return sweep_avx512;
    case Isa::Avx2:
      return sweep_avx2;
    default:
      return sweep_baseline;
  }
}

ProductFn product_for(Isa isa) {
  switch (isa) {
    case Isa::Avx512:
      return product_avx512;
    case Isa::Avx2:
      return product_avx2;
    default:
      return product_baseline;
  }
}

Isa best_isa() {
  if (isa_supported(Isa::Avx512)) return Isa::Avx512;
  if (isa_supported(Isa::Avx2)) return Isa::Avx2;
  return Isa::Baseline;
}

}  // namespace linalg
