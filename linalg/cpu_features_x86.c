/* x86-64: whether the processor (and the system, which must save the
   wider registers) lets the AVX2 and AVX-512 kernels run.

   The C library has already asked the processor at start-up; reading its
   answer costs no CPUID instruction, which in a virtual machine traps to
   the host. The compiler's own __builtin_cpu_supports would link in a
   constructor that asks again at every start, whether or not a kernel
   ever runs. The header is C (it uses _Bool), hence this file. */
#include "linalg/cpu_features_x86.h"

#if __has_include(<sys/platform/x86.h>)
#include <sys/platform/x86.h>

/* The header's own x86_cpu_active shifts a signed 1 into bit 31 (where
   AVX512VL lies), which C leaves undefined; the same test, unsigned. */
static int active(unsigned index) {
  enum { kBits = 8 * sizeof(unsigned), kLeafBits = 4 * kBits };
  const struct cpuid_feature* leaf = __x86_get_cpuid_feature_leaf(index / kLeafBits);
  return (int)((leaf->active_array[index % kLeafBits / kBits] >> (index % kBits)) & 1u);
}
#define HAS(feature, name) active(x86_cpu_##feature)
#else
#define HAS(feature, name) __builtin_cpu_supports(name)
#endif

int linalg_cpu_has_avx2(void) {
  return HAS(AVX2, "avx2");
}

int linalg_cpu_has_avx512(void) {
  return HAS(AVX512F, "avx512f") && HAS(AVX512VL, "avx512vl");
}
