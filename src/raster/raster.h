// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/status.h"
#include "format/raster.h"
#include "image/surface.h"

// Packing pictures into RasterImages and RasterLists (their layout: format/raster.h).
namespace veltrane::raster {

struct RasterList {
  uint16_t count = 0;   // RasterImages that follow
  uint32_t length = 0;  // 8 + the room reserved for them
};

// True when the program's colorMode asks for one bit per pixel.
constexpr bool IsOneBit(int32_t colorMode) {
  return format::DepthCodeFor(colorMode) == format::kDepthOneBit;
}

// The bytes EncodeRaster writes for a picture of this size, header included, with width and
// height taken modulo 65536; 0 when the pixel bytes would pass kMaxRasterPixelBytes.
int32_t RasterSize(int32_t width, int32_t height, int32_t colorMode);

// Ok when a `width` x `height` picture can be packed into the room RasterSize reserves for it:
// both sides 0..65535 (the header keeps 16 bits of each) and RasterSize not 0. Otherwise the
// status says which limit the picture passes, and by how much.
Status CheckRasterFits(int32_t width, int32_t height, int32_t colorMode);
bool RasterFits(int32_t width, int32_t height, int32_t colorMode);

// Packs the `width` x `height` pixels at the top-left of `surface` (black beyond its edges) into
// one RasterImage at the start of `destination` and returns its length. A width or height of 0
// or less gives the 12-byte header alone. When `destination` cannot hold the whole image,
// nothing is written and the result is 0.
int32_t EncodeRaster(std::span<uint8_t> destination, const image::Surface& surface, int32_t width,
                     int32_t height, int32_t colorMode);

// Writes the 8-byte RasterList header; false (nothing written) when `destination` is shorter.
bool WriteRasterList(std::span<uint8_t> destination, const RasterList& list);

}  // namespace veltrane::raster
