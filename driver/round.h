// The rounding of a product element to a whole number, as the unit-matrix
// check does it: x + 0.5 truncated toward zero into a 32-bit integer.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace driver {

// trunc(x + 0.5) as a 32-bit integer, defined for every double: a value
// beyond the range saturates at the nearest end of it, and a NaN gives 0.
//   0.9999999999 -> 1   -0.7 -> 0   -1.5 -> -1   -1.6 -> -1   1e300 -> 2147483647
inline std::int32_t round_half_up(double x) {
  const double shifted = x + 0.5;
  if (std::isnan(shifted)) return 0;
  constexpr double kHigh = 2147483648.0;  // 2^31
  if (shifted >= kHigh) return std::numeric_limits<std::int32_t>::max();
  if (shifted <= -kHigh - 1.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(shifted);
}

}  // namespace driver
