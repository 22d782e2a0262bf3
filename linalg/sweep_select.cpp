#include "linalg/sweep.h"

namespace linalg {

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

Isa best_isa() {
  if (isa_supported(Isa::Avx512)) return Isa::Avx512;
  if (isa_supported(Isa::Avx2)) return Isa::Avx2;
  return Isa::Baseline;
}

}  // namespace linalg
