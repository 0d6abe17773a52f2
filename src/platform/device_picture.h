// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "image/surface.h"

namespace veltrane::platform {

// A picture read back from GDI: 24-bit rows, top-down, blue, green, red, each row padded to a
// multiple of 4 bytes.
struct PictureRows {
  int32_t width = 0;
  int32_t height = 0;
  int64_t stride = 0;
  std::vector<uint8_t> bytes;

  image::PixelView View() const { return {bytes.data(), width, height, stride, 3}; }
};

// The width x height pixels at the origin of the bitmap selected into the host's device context
// `hostDc` (an HDC), read with GetDIBits as the host drew them; pixels beyond that bitmap are
// black. The host's DC is only read. Nothing for a null DC, a DC without a bitmap, a negative
// size, or a size GDI refuses; always nothing on a system without device contexts, whose hosts
// hand their pictures over as bitmaps.
std::optional<PictureRows> ReadDevicePicture(void* hostDc, int32_t width, int32_t height);

}  // namespace veltrane::platform
