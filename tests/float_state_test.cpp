// The floating-point state that start-up sets: IEEE double precision,
// rounding to nearest, every exception masked, subnormals kept.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>

#include "runtime/host/host.h"

namespace {

TEST(FloatState, ResetRoundsToNearestInDoubleWithExceptionsMasked) {
  // Another state first, where the C library can set one.
  std::fesetround(FE_UPWARD);
#if defined(__GLIBC__) && defined(FE_DIVBYZERO)
  feenableexcept(FE_DIVBYZERO);
#endif
  rt::host::reset_floating_point();

  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
  volatile double one = 1, zero = 0, tiny = 0x1p-1070;
  // Ties to even: 1 + 2^-53 is halfway between 1 and its successor.
  EXPECT_EQ(one + 0x1p-53, 1.0);
  EXPECT_EQ(one + 0x1.8p-53, 0x1.0000000000001p0);
  // Masked: the division goes on and gives an infinity.
  EXPECT_EQ(one / zero, HUGE_VAL);
  // Subnormals are neither flushed nor treated as zero.
  EXPECT_EQ(tiny / 2, 0x1p-1071);
  EXPECT_EQ(tiny * 0x1p-4, 0x1p-1074);
#if defined(__i386__) || defined(__x86_64__)
  // The x87 unit, which the C library's code may use, rounds to double as
  // well: its extended precision would keep 1 + 2^-60.
  volatile long double wide_one = 1;
  EXPECT_EQ(wide_one + 0x1p-60L, 1.0L);
#endif
}

}  // namespace
