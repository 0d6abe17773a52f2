// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "link/frame_codec.h"

namespace veltrane::testing {

// The plain byte-at-a-time forms of the frame codec, with the CRC folded in through the two
// byte tables. The fast forms are measured against these and must agree with them exactly.
int32_t EncodeFramePlain(std::span<const uint8_t> body, std::span<uint8_t> out);
int32_t DecodeFramePlain(std::span<const uint8_t> frame,
                         std::span<uint8_t, link::MaxFrameSize> out);

}  // namespace veltrane::testing
