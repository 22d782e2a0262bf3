// x86-64: the features that the wider kernel variants need, as the C
// library recorded them at start-up.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

int linalg_cpu_has_avx2(void);
int linalg_cpu_has_avx512(void);  // AVX-512 F and VL

#ifdef __cplusplus
}
#endif
