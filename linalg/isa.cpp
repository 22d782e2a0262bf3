#include <initializer_list>

#include "linalg/isa_variants.h"
#include "linalg/kernels.h"

namespace linalg {

bool isa_supported(Isa isa) {
  return variant_of(isa) != nullptr;
}

ProductFn product_for(Isa isa) {
  return variant_of(isa)->product;
}

Isa best_isa() {
  for (Isa isa : {Isa::Avx512, Isa::Avx2}) {
    if (isa_supported(isa)) return isa;
  }
  return Isa::Baseline;
}

}  // namespace linalg
