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

namespace {

struct Variant {
  SweepFn sweep;
  ProductFn product;
};

// Indexed by Isa.
constexpr Variant kVariants[] = {
    {sweep_baseline, product_baseline},
    {sweep_avx2, product_avx2},
    {sweep_avx512, product_avx512},
};

}  // namespace

SweepFn sweep_for(Isa isa) {
  return kVariants[static_cast<int>(isa)].sweep;
}

ProductFn product_for(Isa isa) {
  return kVariants[static_cast<int>(isa)].product;
}

Isa best_isa() {
  if (isa_supported(Isa::Avx512)) return Isa::Avx512;
  if (isa_supported(Isa::Avx2)) return Isa::Avx2;
  return Isa::Baseline;
}

}  // namespace linalg
