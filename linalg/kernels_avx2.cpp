// The kernels compiled for the avx2 instruction set.
#define VECTOR_LANES 4
#define KERNEL_VARIANT avx2
#include "linalg/kernels.inc"
