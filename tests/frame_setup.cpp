// The tests run record statements in their own process, as a program runs
// them inside the run-time frame: the fatal report is installed and the
// standard units are connected before the first test.
#include "runtime/frame/frame.h"

namespace {

const bool frame_ready = (rt::f_init(), true);

}  // namespace
