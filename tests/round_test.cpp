#include "driver/round.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct Case {
  double x;
  std::int32_t want;
};

TEST(RoundHalfUp, TruncatesXPlusOneHalf) {
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {0.9999999999, 1},
      {1e-17, 0},
      {-1e-17, 0},
      {0.5, 1},
      {-0.5, 0},
      {-0.7, 0},
      {-1.0, 0},
      {-1.5, -1},
      {-1.6, -1},
      {2.4999, 2},
      {2147483646.0, 2147483646},
      // Beyond the 32-bit range the result saturates; a NaN gives 0.
      {2147483647.0, 2147483647},
      {1e300, 2147483647},
      {inf, 2147483647},
      {-2147483648.0, -2147483647},
      {-2147483649.0, -2147483648},
      {-1e300, -2147483647 - 1},
      {-inf, -2147483647 - 1},
      {std::nan(""), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(driver::round_half_up(c.x), c.want) << c.x;
}

}  // namespace
