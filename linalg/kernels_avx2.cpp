// The kernels compiled for the avx2 instruction set.
// The sweep's tile is three vectors of rows by four columns: twelve
// accumulators, three multipliers and a broadcast fill the sixteen vector
// registers, and each broadcast of a pivot row's value serves three
// vectors (AVX2 has no broadcast folded into the multiplication).
#define SWEEP_COLUMNS 4
#define SWEEP_ROW_VECTORS 3
#define VECTOR_LANES 4
#define KERNEL_VARIANT avx2
#include "linalg/kernels.inc"
