// The kernels compiled for the avx512 instruction set.
// 32 vector registers hold eight columns at a time; the product's tiles
// are one vector of rows by eight columns (measured best here).
#define SWEEP_COLUMNS 8
#define PRODUCT_ROW_VECTORS 1
#define PRODUCT_COLUMNS 8
#define VECTOR_LANES 8
#define KERNEL_VARIANT avx512
#include "linalg/kernels.inc"
