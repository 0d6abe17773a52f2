// SPDX-License-Identifier: MIT
#include "raster/text_picture.h"

#include <gtest/gtest.h>

#include <vector>

#include "raster/raster.h"

namespace veltrane::raster {
namespace {

const platform::FontRequest kSans{"DejaVu Sans", -16};

TEST(TextPicture, ReservesExactlyWhatItsRasterTakes) {
  for (int32_t mode : {1, 2}) {
    SCOPED_TRACE(mode);
    // Glyph texts as the date and time areas draw them, one picture per glyph.
    for (const char32_t* glyph : {U"0", U"7", U":", U"\u5E74", U"\u661F\u671F"}) {
      TextPicture text;
      ASSERT_EQ(DrawTextPicture(glyph, kSans, 0x0000FF, mode, text), Status::Ok);
      EXPECT_EQ(text.picture.height(), platform::MeasureTextLine(U"0", kSans)->height);
      EXPECT_EQ(text.rasterBytes, RasterSize(text.picture.width(), text.picture.height(), mode));
      std::vector<uint8_t> room(static_cast<size_t>(text.rasterBytes));
      EXPECT_EQ(EncodeTextPicture(room, text, mode), text.rasterBytes);
      EXPECT_EQ(EncodeTextPicture(std::span(room).first(room.size() - 1), text, mode), 0);
    }
  }
}

}  // namespace
}  // namespace veltrane::raster
