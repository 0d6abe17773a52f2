// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace veltrane::raster {

// What a screen shows for one pixel: a green bit and a red bit.
enum class Lit : uint8_t { Dark = 0, Red = 1, Green = 2, Yellow = 3 };

// A RasterImage unpacked: every pixel of its padded height, top-down.
struct RasterPicture {
  int32_t width = 0;
  int32_t height = 0;  // the padded height the image carries
  bool oneBit = true;
  std::vector<Lit> pixels;  // row after row

  Lit At(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return Lit::Dark;
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
};

// Unpacks the RasterImage at the start of `bytes`. Nothing when its header is not a raster's or
// its length does not match its size or runs past `bytes`. One-bit pixels come out red. A header
// without pixel words gives an empty picture.
std::optional<RasterPicture> DecodeRaster(std::span<const uint8_t> bytes);

}  // namespace veltrane::raster
