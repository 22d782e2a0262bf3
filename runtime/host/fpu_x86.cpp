// x86 and x86-64: the x87 precision control set to 53 bits, and the SSE
// control word at its power-up value.
#include "runtime/host/fpu.h"

namespace rt::host {

void set_processor_defaults() {
  constexpr unsigned short kPrecisionControl = 0x300;  // bits 8 and 9
  constexpr unsigned short kDoublePrecision = 0x200;
  unsigned short control;
  __asm__ volatile("fnstcw %0" : "=m"(control));
  control = static_cast<unsigned short>((control & ~kPrecisionControl) | kDoublePrecision);
  __asm__ volatile("fldcw %0" : : "m"(control));
  // Every exception masked, round to nearest, no flush to zero.
  unsigned sse_control = 0x1f80;
  __asm__ volatile("ldmxcsr %0" : : "m"(sse_control));
}

}  // namespace rt::host
