// SPDX-License-Identifier: MIT
#include "raster/text_picture.h"

#include <cstdint>
#include <string>

#include "raster/raster.h"

namespace veltrane::raster {
namespace {

// Why a font request could not be measured: the face is not there at all, or it is there but not
// at this size (asked again at the default size to tell the two apart).
Status WhyNotMeasured(const platform::FontRequest& font) {
  if (platform::ResolvedFamily({font.faceName, 0}).empty())
    return {Status::CannotBuild, "no installed font matches \"" + font.faceName + "\""};
  // Below 0 the height is the em, above 0 the cell: either way this many pixels.
  const int64_t pixels = font.height < 0 ? -int64_t{font.height} : font.height;
  return {Status::BadArgument, "the font size is out of range: \"" + font.faceName +
                                   "\" cannot be drawn " + std::to_string(pixels) + " pixels high"};
}

}  // namespace

Status DrawTextPicture(std::u32string_view text, const platform::FontRequest& font,
                       image::Color color, int32_t colorMode, TextPicture& drawn) {
  // Measured before drawing, so that a line too large to send is never drawn at all.
  const std::optional<platform::TextExtent> extent = platform::MeasureTextLine(text, font);
  if (!extent) return WhyNotMeasured(font);
  if (Status fits = CheckRasterFits(extent->width, extent->height, colorMode); fits != Status::Ok)
    return fits;
  std::optional<image::Surface> picture = platform::DrawTextLine(text, font, color);
  if (!picture) return {Status::CannotBuild, "the text could not be drawn"};
  if (Status fits = CheckRasterFits(picture->width(), picture->height(), colorMode);
      fits != Status::Ok)
    return fits;
  const int32_t bytes = RasterSize(picture->width(), picture->height(), colorMode);
  drawn = TextPicture{std::move(*picture), bytes};
  return Status::Ok;
}

int32_t EncodeTextPicture(std::span<uint8_t> destination, const TextPicture& text,
                          int32_t colorMode) {
  return EncodeRaster(destination, text.picture, text.picture.width(), text.picture.height(),
                      colorMode);
}

}  // namespace veltrane::raster
