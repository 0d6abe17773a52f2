// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/result.h"

namespace veltrane::image {

// A picture as 8-bit red, green, blue triples, rows top-down with no padding.
struct RgbImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3 bytes

  const uint8_t* PixelAt(int32_t x, int32_t y) const {
    return rgb.data() +
           (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  }
};

// Pictures larger than this on either side, or with more pixels in all, are refused from their
// header, before anything is decoded: 4096 x 4096 pixels take 48 MiB as RGB.
constexpr int32_t kMaxPngSide = 16384;
constexpr int64_t kMaxPngPixels = int64_t{4096} * 4096;

// PNG files longer than this are not read (a file this long could not hold less than the pixel
// limit allows anyway, short of pathological padding).
constexpr size_t kMaxPngFileBytes = 16 * 1024 * 1024;

// Reads a PNG of any colour type; transparency is composed over black. A failure is BadArgument
// whose reason is one sentence.
Result<RgbImage> ReadPng(std::span<const uint8_t> bytes);

// How hard the encoder works: for a small file, or for a picture shown at once and thrown away
// (written in about half the time; a picture of at most 256 colours, as a sign's are, goes as a
// palette, smaller still).
enum class PngEffort { Small, Fast };

// An 8-bit RGB PNG of the picture, or CannotBuild saying what went wrong. Writing it anywhere is
// the caller's part, so that a failed write can be handled as the place written to needs.
Result<std::vector<uint8_t>> EncodePng(const RgbImage& image, PngEffort effort = PngEffort::Small);

}  // namespace veltrane::image
