// The kernel variants that this build has and this processor can run; one
// file per processor family answers (isa_x86.cpp, isa_portable.cpp).
#pragma once

#include "linalg/kernels.h"

namespace linalg {

struct Variant {
  SweepFn sweep;
  QuotientsFn quotients;
  AddMultipleFn add_multiple;
  ProductFn product;
};

// The portable kernels, built for every processor.
void sweep_baseline(const Columns*, std::size_t, std::size_t, std::size_t, std::size_t,
                    const double*);
bool quotients_baseline(std::size_t, const double*, const double*, std::size_t, double*);
void add_multiple_baseline(std::size_t, double, const double*, double*);
void product_baseline(std::size_t, std::size_t, const double*, const double*, double*);

// The variant's kernels, or null when this build or processor lacks it.
const Variant* variant_of(Isa isa);

}  // namespace linalg
