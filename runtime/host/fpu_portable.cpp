// Every processor but x86: doubles are computed in double precision.
#include "runtime/host/fpu.h"

namespace rt::host {

void hold_double_precision() {}

}  // namespace rt::host
