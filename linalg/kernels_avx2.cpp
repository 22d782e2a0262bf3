// The kernels compiled for the avx2 instruction set.
#define KERNEL_VARIANT avx2
#include "linalg/kernels.inc"
