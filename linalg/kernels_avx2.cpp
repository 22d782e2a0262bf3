// The kernels compiled for the avx2 instruction set.
// Eight columns share each load of the multipliers in the sweep: eight
// accumulators and their operands still fit the sixteen vector registers,
// and the multipliers are read from the cache half as often as with four
// (measured faster at n = 1000 and 2000).
#define SWEEP_COLUMNS 8
#define VECTOR_LANES 4
#define KERNEL_VARIANT avx2
#include "linalg/kernels.inc"
