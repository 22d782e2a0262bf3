#pragma once
// Unsigned 128-bit numbers for the exact decimal conversions, as two 64-bit
// words: every processor has those, where a native 128-bit type exists only
// on 64-bit ones. Only the product differs between the two: the compiler's
// where it has one (unless MELD_PORTABLE_UINT128 forces the portable one),
// four 32-bit products elsewhere. The rest works on the words alone.

#include <cstdint>

namespace rt::num {

struct Uint128 {
  std::uint64_t high;
  std::uint64_t low;
};

// a * b exactly, from 32-bit halves:
//   a*b = a1*b1*2^64 + (a1*b0 + a0*b1)*2^32 + a0*b0
constexpr Uint128 multiply_portable(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t kHalf = 0xffffffffULL;
  const std::uint64_t a0 = a & kHalf, a1 = a >> 32, b0 = b & kHalf, b1 = b >> 32;
  const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  // The middle column with the carry out of the low one; at most 3*(2^32-1).
  const std::uint64_t middle = (p00 >> 32) + (p01 & kHalf) + (p10 & kHalf);
  return {p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), (middle << 32) | (p00 & kHalf)};
}

inline Uint128 multiply(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__) && !defined(MELD_PORTABLE_UINT128)
  __extension__ typedef unsigned __int128 Native;
  const Native p = static_cast<Native>(a) * b;
  return {static_cast<std::uint64_t>(p >> 64), static_cast<std::uint64_t>(p)};
#else
  return multiply_portable(a, b);
#endif
}

// w >> shift, for 0 < shift < 128.
constexpr Uint128 shift_right(Uint128 w, int shift) {
  if (shift >= 64) return {0, w.high >> (shift - 64)};
  return {w.high >> shift, (w.low >> shift) | (w.high << (64 - shift))};
}

// Bit k of w, for 0 <= k < 128.
constexpr bool bit(Uint128 w, int k) {
  return ((k >= 64 ? w.high >> (k - 64) : w.low >> k) & 1) != 0;
}

// Whether any of the bits below bit k is set, for 0 <= k < 128.
constexpr bool any_below(Uint128 w, int k) {
  if (k <= 64) return k != 0 && (w.low << (64 - k)) != 0;
  return w.low != 0 || (w.high << (128 - k)) != 0;
}

}  // namespace rt::num
