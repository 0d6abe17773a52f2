// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltrane::testing {

// A raw program block of `length` (at least 12) bytes: a root record that declares the length,
// then bytes drawn from `seed`, rich in the values the link framing escapes.
std::vector<uint8_t> TestProgram(size_t length, uint32_t seed = 1);

}  // namespace veltrane::testing
