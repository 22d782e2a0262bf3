// The part of the floating-point reset that depends on the processor.
#pragma once

namespace rt::host {

// Sets the processor's own floating-point controls to the reset's state,
// whatever the C library's reset left: on x86, the x87 unit held to double
// precision (it starts in extended precision; the program's own doubles
// never go through it, SSE2 does them, but code of the C library built for
// it does, and must round as the rest of the program does), and the SSE
// control word at its power-up value: round to nearest, every exception
// masked, subnormals kept (a C library's reset may leave its rounding, as
// MinGW-w64's does under Wine). Every other processor: nothing more.
void set_processor_defaults();

}  // namespace rt::host
