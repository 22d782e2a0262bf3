// x86 and x86-64: the x87 unit's precision control set to 53 bits.
#include "runtime/host/fpu.h"

namespace rt::host {

void hold_double_precision() {
  constexpr unsigned short kPrecisionControl = 0x300;  // bits 8 and 9
  constexpr unsigned short kDoublePrecision = 0x200;
  unsigned short control;
  __asm__ volatile("fnstcw %0" : "=m"(control));
  control = static_cast<unsigned short>((control & ~kPrecisionControl) | kDoublePrecision);
  __asm__ volatile("fldcw %0" : : "m"(control));
}

}  // namespace rt::host
