// Processors other than x86-64: the portable kernels alone.
#include "linalg/isa_variants.h"

namespace linalg {

const Variant* variant_of(Isa isa) {
  static constexpr Variant kBaseline = {sweep_baseline, quotients_baseline, add_multiple_baseline,
                                        product_baseline};
  return isa == Isa::Baseline ? &kBaseline : nullptr;
}

}  // namespace linalg
