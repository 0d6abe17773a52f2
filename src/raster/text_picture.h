// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "common/status.h"
#include "image/surface.h"
#include "platform/font.h"

namespace veltrane::raster {

// One line of text drawn for packing: the picture, exactly as large as the text's extent, and
// the bytes its RasterImage takes in the colour mode it was drawn for.
struct TextPicture {
  image::Surface picture;
  int32_t rasterBytes = 0;
};

// Measures the line and, when its raster fits (CheckRasterFits), draws it in `color` on black
// into `drawn`. Otherwise, with nothing drawn, the status says why: no face can be found
// (naming it), the size is out of reach, or the raster would not fit.
Status DrawTextPicture(std::u32string_view text, const platform::FontRequest& font,
                       image::Color color, int32_t colorMode, TextPicture& drawn);

// Packs a picture drawn for `colorMode` into `destination` (at least its rasterBytes long).
// Returns the bytes written, equal to rasterBytes, or 0 when the room is short.
int32_t EncodeTextPicture(std::span<uint8_t> destination, const TextPicture& text,
                          int32_t colorMode);

}  // namespace veltrane::raster
