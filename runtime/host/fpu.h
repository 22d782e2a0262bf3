// The part of the floating-point reset that depends on the processor.
#pragma once

namespace rt::host {

// Holds whatever unit of the processor computes wider than double to
// double precision. The x87 unit of x86 processors starts in extended
// precision; the program's own doubles never go through it (SSE2 does
// them), but code of the C library built for it does, and must round as
// the rest of the program does. Every other processor computes doubles
// in double precision already.
void hold_double_precision();

}  // namespace rt::host
