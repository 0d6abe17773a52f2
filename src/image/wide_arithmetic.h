// SPDX-License-Identifier: MIT
#pragma once

#include <compare>
#include <cstdint>

namespace veltrane::image {

// Unsigned 128-bit values, as far as the pixel rules need them: products of two 64-bit values,
// sums, comparisons and division by a 64-bit value. Plain C++ rather than a compiler's 128-bit
// type, so that 32-bit builds compute every pixel exactly as 64-bit builds do.
struct Wide {
  uint64_t high = 0;
  uint64_t low = 0;
  friend constexpr auto operator<=>(const Wide&, const Wide&) = default;
};

constexpr Wide MultiplyWide(uint64_t a, uint64_t b) {
  const uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32;
  const uint64_t b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
  const uint64_t low = a0 * b0;
  const uint64_t middle1 = a1 * b0;
  const uint64_t middle2 = a0 * b1;
  // The middle terms' low halves and the carry out of the low word.
  const uint64_t carry = ((low >> 32) + (middle1 & 0xFFFFFFFFu) + (middle2 & 0xFFFFFFFFu)) >> 32;
  return {a1 * b1 + (middle1 >> 32) + (middle2 >> 32) + carry, a * b};
}

constexpr Wide AddWide(Wide a, uint64_t b) {
  const uint64_t low = a.low + b;
  return {a.high + (low < b ? 1u : 0u), low};
}

// floor(n / d) for d > 0 and n.high < d, so that the quotient fits in 64 bits.
constexpr uint64_t DivideWide(Wide n, uint64_t d) {
  uint64_t remainder = n.high;
  uint64_t quotient = 0;
  for (int bit = 63; bit >= 0; --bit) {
    const bool overflow = (remainder >> 63) != 0;
    remainder = (remainder << 1) | ((n.low >> bit) & 1u);
    quotient <<= 1;
    if (overflow || remainder >= d) {
      remainder -= d;
      quotient |= 1u;
    }
  }
  return quotient;
}

}  // namespace veltrane::image
