# Cross-compiling for aarch64 Linux: the general cross toolchain with its
# triple set.
set(MELD_TRIPLE aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
