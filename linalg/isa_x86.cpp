// x86-64: the portable kernels, and the AVX2 and AVX-512 variants where
// the processor has them.
#include "linalg/isa_variants.h"

namespace linalg {

void sweep_avx2(double*, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t,
                const double*);
void sweep_avx512(double*, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t,
                  const double*);
void product_avx2(std::size_t, std::size_t, const double*, const double*, double*);
void product_avx512(std::size_t, std::size_t, const double*, const double*, double*);

const Variant* variant_of(Isa isa) {
  // Indexed by Isa.
  static constexpr Variant kVariants[] = {
      {sweep_baseline, product_baseline},
      {sweep_avx2, product_avx2},
      {sweep_avx512, product_avx512},
  };
  bool runs = true;
  if (isa == Isa::Avx2) runs = __builtin_cpu_supports("avx2");
  if (isa == Isa::Avx512)
    runs = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
  return runs ? &kVariants[static_cast<int>(isa)] : nullptr;
}

}  // namespace linalg
