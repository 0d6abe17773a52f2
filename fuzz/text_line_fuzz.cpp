// SPDX-License-Identifier: MIT
// Host text of any bytes in several code pages, decoded and drawn in a Latin face with its
// fallbacks: decoding must yield valid code points, and the drawing must be exactly the measured
// extent, in the text colour on black.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/font.h"
#include "platform/text_codec.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

constexpr const char* kCodePages[] = {"UTF-8", "GBK", "CP1252", "BIG5", "SHIFT_JIS", "UTF-16LE"};
constexpr veltrane::image::Color kColour = 0x00C0FF;
// Larger lines are measured but not drawn, to keep each run short.
constexpr int64_t kMaxDrawnPixels = 1 << 18;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const char* codePage = kCodePages[data[0] % std::size(kCodePages)];
  const int32_t height = -(4 + data[1] % 40);
  const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);

  const std::u32string text = veltrane::platform::DecodeText(bytes, codePage);
  for (char32_t c : text) Check(c <= 0x10FFFF);

  const veltrane::platform::FontRequest font{"DejaVu Sans", height};
  const auto extent = veltrane::platform::MeasureTextLine(text, font);
  Check(extent.has_value() && extent->width >= 0 && extent->height > 0);
  if (int64_t{extent->width} * extent->height > kMaxDrawnPixels) return 0;
  const auto picture = veltrane::platform::DrawTextLine(text, font, kColour);
  Check(picture && picture->width() == extent->width && picture->height() == extent->height);
  for (int32_t y = 0; y < picture->height(); ++y) {
    for (veltrane::image::Color c : picture->Row(y)) Check(c == 0 || c == kColour);
  }
  return 0;
}
