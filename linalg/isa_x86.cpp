// x86-64: the portable kernels, and the AVX2 and AVX-512 variants where
// the processor has them.
#include "linalg/isa_variants.h"

// The C library has already asked the processor (and the system, for the
// registers' state) at start-up; reading its answer costs no CPUID, which
// in a virtual machine traps to the host. The compiler's own
// __builtin_cpu_supports would link in a constructor that asks again on
// every start, whether or not a kernel ever runs.
#if __has_include(<sys/platform/x86.h>)
#include <sys/platform/x86.h>
#define LINALG_CPU_HAS(feature, name) CPU_FEATURE_ACTIVE(feature)
#else
#define LINALG_CPU_HAS(feature, name) __builtin_cpu_supports(name)
#endif

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
  if (isa == Isa::Avx2) runs = LINALG_CPU_HAS(AVX2, "avx2");
  if (isa == Isa::Avx512)
    runs = LINALG_CPU_HAS(AVX512F, "avx512f") && LINALG_CPU_HAS(AVX512VL, "avx512vl");
  return runs ? &kVariants[static_cast<int>(isa)] : nullptr;
}

}  // namespace linalg
