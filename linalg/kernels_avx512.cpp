// The kernels compiled for the avx512 instruction set.
// 32 vector registers hold eight columns at a time.
#define SWEEP_COLUMNS 8
#define VECTOR_LANES 8
#define KERNEL_VARIANT avx512
#include "linalg/kernels.inc"
