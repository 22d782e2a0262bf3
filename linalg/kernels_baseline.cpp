// The kernels compiled for the baseline instruction set.
#define KERNEL_VARIANT baseline
#include "linalg/kernels.inc"
