# Cross-compiling for Linux on another processor with Debian's cross
# compilers (g++-<triple>); the programs and tests run under qemu-user.
#
#   cmake -S . -B build-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-cross.cmake -DMELD_TRIPLE=i686-linux-gnu
#
# MELD_TRIPLE is one of i686-linux-gnu, arm-linux-gnueabihf, s390x-linux-gnu,
# powerpc64le-linux-gnu, riscv64-linux-gnu, aarch64-linux-gnu.
if(NOT MELD_TRIPLE)
  message(FATAL_ERROR "Set MELD_TRIPLE to the target's triple (i686-linux-gnu, say)")
endif()
# Try-compiles configure a project of their own: they need the triple too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MELD_TRIPLE)

# The triple's processor, as CMake, qemu and Debian's packages name it.
set(processors
  "i686-linux-gnu=i686=i386=i386"
  "arm-linux-gnueabihf=armv7l=arm=armhf"
  "s390x-linux-gnu=s390x=s390x=s390x"
  "powerpc64le-linux-gnu=ppc64le=ppc64le=ppc64el"
  "riscv64-linux-gnu=riscv64=riscv64=riscv64"
  "aarch64-linux-gnu=aarch64=aarch64=arm64")
foreach(entry IN LISTS processors)
  string(REPLACE "=" ";" fields "${entry}")
  list(GET fields 0 triple)
  if(triple STREQUAL MELD_TRIPLE)
    list(GET fields 1 CMAKE_SYSTEM_PROCESSOR)
    list(GET fields 2 qemu)
    list(GET fields 3 MELD_DEB_ARCHITECTURE)
  endif()
endforeach()
if(NOT qemu)
  message(FATAL_ERROR "Unknown MELD_TRIPLE: ${MELD_TRIPLE}")
endif()

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${MELD_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${MELD_TRIPLE}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${MELD_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The target's libraries come first: the build machine's loader cache may
# name its own multilib copies (/lib32 of libc6-i386), whose C library does
# not match the target's loader (a forked child then spins in fork).
set(CMAKE_CROSSCOMPILING_EMULATOR
    qemu-${qemu};-L;/usr/${MELD_TRIPLE};-E;LD_LIBRARY_PATH=/usr/${MELD_TRIPLE}/lib)
