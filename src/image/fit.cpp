// SPDX-License-Identifier: MIT
#include "image/fit.h"

#include <algorithm>
#include <array>

namespace veltrane::image {
namespace {

// The size of the largest picture of `picture`'s proportions within `width` x `height`, at least
// one pixel a side.
struct Fitted {
  int64_t width;
  int64_t height;
};
Fitted FittedSize(const RgbImage& picture, int64_t width, int64_t height) {
  // Wider than the box in proportion: the width fills it; else the height does.
  if (int64_t{picture.width} * height >= int64_t{picture.height} * width)
    return {width, std::max<int64_t>(1, int64_t{picture.height} * width / picture.width)};
  return {std::max<int64_t>(1, int64_t{picture.width} * height / picture.height), height};
}

// The source span [first, last) that destination pixel `i` of `count` covers in `size` pixels:
// never empty, so that an enlarged picture repeats its pixels.
std::pair<int64_t, int64_t> Covered(int64_t i, int64_t count, int64_t size) {
  const int64_t first = i * size / count;
  return {first, std::max(first + 1, (i + 1) * size / count)};
}

}  // namespace

RgbImage ScaleToFit(const RgbImage& picture, int32_t width, int32_t height) {
  RgbImage out;
  if (width <= 0 || height <= 0) return out;
  out.width = width;
  out.height = height;
  out.rgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0);
  if (picture.width <= 0 || picture.height <= 0) return out;
  const Fitted fitted = FittedSize(picture, width, height);
  const int64_t left = (width - fitted.width) / 2;
  const int64_t top = (height - fitted.height) / 2;
  for (int64_t y = 0; y < fitted.height; ++y) {
    const auto [rowFirst, rowLast] = Covered(y, fitted.height, picture.height);
    for (int64_t x = 0; x < fitted.width; ++x) {
      const auto [columnFirst, columnLast] = Covered(x, fitted.width, picture.width);
      std::array<uint64_t, 3> sum{};
      for (int64_t sy = rowFirst; sy < rowLast; ++sy)
        for (int64_t sx = columnFirst; sx < columnLast; ++sx) {
          const uint8_t* pixel =
              picture.PixelAt(static_cast<int32_t>(sx), static_cast<int32_t>(sy));
          for (size_t c = 0; c < 3; ++c) sum[c] += pixel[c];
        }
      const uint64_t covered =
          static_cast<uint64_t>((rowLast - rowFirst) * (columnLast - columnFirst));
      uint8_t* to = &out.rgb[(static_cast<size_t>(top + y) * static_cast<size_t>(width) +
                              static_cast<size_t>(left + x)) *
                             3];
      for (size_t c = 0; c < 3; ++c) to[c] = static_cast<uint8_t>((sum[c] + covered / 2) / covered);
    }
  }
  return out;
}

}  // namespace veltrane::image
