#include "raster/text_picture.h"

#include "raster/raster.h"

namespace veltrane::raster {

std::optional<TextPicture> DrawTextPicture(std::u32string_view text,
                                           const platform::FontRequest& font, image::Color color,
                                           int32_t colorMode) {
  // Measured before drawing, so that a line too large to send is never drawn at all.
  const std::optional<platform::TextExtent> extent = platform::MeasureTextLine(text, font);
  if (!extent || !RasterFits(extent->width, extent->height, colorMode)) return std::nullopt;
  std::optional<image::Surface> picture = platform::DrawTextLine(text, font, color);
  if (!picture || !RasterFits(picture->width(), picture->height(), colorMode)) return std::nullopt;
  const int32_t bytes = RasterSize(picture->width(), picture->height(), colorMode);
  return TextPicture{std::move(*picture), bytes};
}

int32_t EncodeTextPicture(std::span<uint8_t> destination, const TextPicture& text,
                          int32_t colorMode) {
  return EncodeRaster(destination, text.picture, text.picture.width(), text.picture.height(),
                      colorMode);
}

}  // namespace veltrane::raster
