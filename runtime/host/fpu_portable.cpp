// Every processor but x86: the C library's reset is the whole reset.
#include "runtime/host/fpu.h"

namespace rt::host {

void set_processor_defaults() {}

}  // namespace rt::host
