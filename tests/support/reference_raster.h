// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "image/surface.h"

namespace veltrane::testing {

// The raster packing written as plainly as possible: pixel by pixel down each column with a
// walking mask, for checking the fast encoder and for comparing speeds.
std::vector<uint8_t> EncodeRasterPlain(const image::Surface& surface, int32_t width, int32_t height,
                                       int32_t colorMode);

}  // namespace veltrane::testing
