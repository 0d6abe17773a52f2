// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <limits>

namespace veltrane {

// a × b / c as the Windows MulDiv computes it: the product in 64 bits, the quotient rounded to
// the nearest integer with halves away from zero; -1 when c is 0 or the result leaves 32 bits.
constexpr int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  const int64_t product = int64_t{a} * b;
  const bool negative = (product < 0) != (c < 0);
  const uint64_t magnitude =
      product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
  const uint64_t divisor = c < 0 ? 0 - static_cast<uint64_t>(int64_t{c}) : static_cast<uint64_t>(c);
  const uint64_t rounded = (magnitude + divisor / 2) / divisor;
  const int64_t result = negative ? -static_cast<int64_t>(rounded) : static_cast<int64_t>(rounded);
  if (result > std::numeric_limits<int32_t>::max() ||
      result < std::numeric_limits<int32_t>::min()) {
    return -1;
  }
  return static_cast<int32_t>(result);
}

}  // namespace veltrane
