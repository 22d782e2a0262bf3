// x86-64: the portable kernels, and the AVX2 and AVX-512 variants where
// the processor has them.
#include "linalg/cpu_features_x86.h"
#include "linalg/isa_variants.h"

namespace linalg {

void sweep_avx2(const Columns*, std::size_t, std::size_t, std::size_t, std::size_t, const double*);
void sweep_avx512(const Columns*, std::size_t, std::size_t, std::size_t, std::size_t,
                  const double*);
bool quotients_avx2(std::size_t, const double*, const double*, std::size_t, double*);
bool quotients_avx512(std::size_t, const double*, const double*, std::size_t, double*);
void add_multiple_avx2(std::size_t, double, const double*, double*);
void add_multiple_avx512(std::size_t, double, const double*, double*);
void product_avx2(std::size_t, std::size_t, const double*, const double*, double*);
void product_avx512(std::size_t, std::size_t, const double*, const double*, double*);

const Variant* variant_of(Isa isa) {
  // Indexed by Isa.
  static constexpr Variant kVariants[] = {
      {sweep_baseline, quotients_baseline, add_multiple_baseline, product_baseline},
      {sweep_avx2, quotients_avx2, add_multiple_avx2, product_avx2},
      {sweep_avx512, quotients_avx512, add_multiple_avx512, product_avx512},
  };
  bool runs = true;
  if (isa == Isa::Avx2) runs = linalg_cpu_has_avx2() != 0;
  if (isa == Isa::Avx512) runs = linalg_cpu_has_avx512() != 0;
  return runs ? &kVariants[static_cast<int>(isa)] : nullptr;
}

}  // namespace linalg
