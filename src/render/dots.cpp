// SPDX-License-Identifier: MIT
#include "render/dots.h"

#include <algorithm>
#include <vector>

#include "platform/font.h"
#include "platform/text_codec.h"
#include "render/renderer.h"

namespace veltrane::render {
namespace {

// The label's face and colour: small and dim, so that it does not read as part of the sign.
const platform::FontRequest kLabelFont{"DejaVu Sans", -12};
constexpr uint8_t kLabelGrey = 160;
constexpr int32_t kLabelMargin = 2;

bool InsideLed(int32_t x, int32_t y, int32_t pitch) {
  // Doubled coordinates keep the cell's centre on the integer grid for odd and even pitches.
  const int64_t dx = 2 * int64_t{x} + 1 - pitch;
  const int64_t dy = 2 * int64_t{y} + 1 - pitch;
  const int64_t diameter = int64_t{pitch} * 4 / 5;
  return dx * dx + dy * dy <= std::max<int64_t>(diameter * diameter, 1);
}

bool IsDark(const uint8_t* rgb) { return rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0; }

// The label row's text extent sits under the picture, the picture widened to hold it.
PictureSize WithRowFor(const PictureSize& size, int64_t textWidth, int64_t textHeight) {
  return {std::max(size.width, textWidth), size.height + textHeight + 2 * kLabelMargin};
}

}  // namespace

image::RgbImage DrawLeds(const image::RgbImage& image, int32_t pitch) {
  pitch = FittedScale(image.width, image.height, pitch);
  image::RgbImage out;
  out.width = image.width * pitch;
  out.height = image.height * pitch;
  out.rgb.assign(static_cast<size_t>(out.width) * out.height * 3, 0);
  // Every cell has the same LED in it: which of its pixels the lens covers, said once.
  std::vector<uint8_t> lens(static_cast<size_t>(pitch) * pitch);
  for (int32_t y = 0; y < pitch; ++y)
    for (int32_t x = 0; x < pitch; ++x)
      lens[static_cast<size_t>(y) * pitch + x] = InsideLed(x, y, pitch);
  const uint8_t unlit[3] = {kUnlitLedGrey, kUnlitLedGrey, kUnlitLedGrey};
  for (int32_t y = 0; y < out.height; ++y) {
    const uint8_t* lensRow = &lens[static_cast<size_t>(y % pitch) * pitch];
    uint8_t* to = &out.rgb[static_cast<size_t>(y) * out.width * 3];
    for (int32_t column = 0; column < image.width; ++column) {
      const uint8_t* from = image.PixelAt(column, y / pitch);
      if (IsDark(from)) from = unlit;
      for (int32_t x = 0; x < pitch; ++x, to += 3)
        if (lensRow[x]) std::copy(from, from + 3, to);
    }
  }
  return out;
}

image::RgbImage AddLabelRow(const image::RgbImage& image, std::string_view label) {
  const std::optional<image::Surface> text = platform::DrawTextLine(
      platform::DecodeText(label, "UTF-8"), kLabelFont, image::MakeColor(255, 255, 255));
  if (!text) return image;
  const PictureSize size = WithRowFor({image.width, image.height}, text->width(), text->height());
  image::RgbImage out;
  out.width = static_cast<int32_t>(size.width);
  out.height = static_cast<int32_t>(size.height);
  out.rgb.assign(static_cast<size_t>(out.width) * out.height * 3, 0);
  for (int32_t y = 0; y < image.height; ++y)
    std::copy(image.PixelAt(0, y), image.PixelAt(0, y) + static_cast<size_t>(image.width) * 3,
              &out.rgb[static_cast<size_t>(y) * out.width * 3]);
  const int32_t top = image.height + kLabelMargin;
  for (int32_t y = 0; y < text->height(); ++y)
    for (int32_t x = 0; x < text->width(); ++x)
      if (image::RedOf(text->Pixel(x, y)) != 0) {
        uint8_t* to = &out.rgb[(static_cast<size_t>(top + y) * out.width + x) * 3];
        std::fill(to, to + 3, kLabelGrey);
      }
  return out;
}

PictureSize LabelledSize(const PictureSize& size, std::string_view label) {
  const std::optional<platform::TextExtent> text =
      platform::MeasureTextLine(platform::DecodeText(label, "UTF-8"), kLabelFont);
  return text ? WithRowFor(size, text->width, text->height) : size;
}

}  // namespace veltrane::render
