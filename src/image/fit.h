// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "image/png.h"

namespace veltrane::image {

// A `width` x `height` picture (a side of 0 or less gives none) holding `picture` scaled as large
// as fits with its proportions kept, centred on black. Each pixel is the average of the source
// pixels it covers, so a photograph shrinks without the speckle of picking single pixels; a
// picture made larger repeats its pixels.
RgbImage ScaleToFit(const RgbImage& picture, int32_t width, int32_t height);

}  // namespace veltrane::image
