// SPDX-License-Identifier: MIT
#include "raster/raster_decode.h"

#include <gtest/gtest.h>

#include <vector>

#include "raster/raster.h"

namespace veltrane::raster {
namespace {

TEST(RasterDecode, UnpacksWhatTheEncoderPacked) {
  image::Surface picture(5, 37);
  picture.SetPixel(0, 0, 0x0000FF);   // red
  picture.SetPixel(4, 36, 0x00FF00);  // green
  picture.SetPixel(2, 17, 0x00FFFF);  // yellow
  picture.SetPixel(3, 3, 0xFF0000);   // blue: dark everywhere
  for (int32_t colorMode : {1, 2}) {
    SCOPED_TRACE(colorMode);
    std::vector<uint8_t> bytes(static_cast<size_t>(RasterSize(5, 37, colorMode)));
    ASSERT_GT(EncodeRaster(bytes, picture, 5, 37, colorMode), 0);
    const auto decoded = DecodeRaster(bytes);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->width, 5);
    EXPECT_EQ(decoded->height, colorMode == 1 ? 64 : 48);
    EXPECT_EQ(decoded->At(0, 0), Lit::Red);
    EXPECT_EQ(decoded->At(4, 36), colorMode == 1 ? Lit::Dark : Lit::Green);
    EXPECT_EQ(decoded->At(2, 17), colorMode == 1 ? Lit::Red : Lit::Yellow);
    EXPECT_EQ(decoded->At(3, 3), Lit::Dark);
    int lit = 0;
    for (Lit p : decoded->pixels) lit += p != Lit::Dark;
    EXPECT_EQ(lit, colorMode == 1 ? 2 : 3);
  }
}

TEST(RasterDecode, RefusesWhatIsNotAWholeRaster) {
  image::Surface picture(2, 2);
  std::vector<uint8_t> good(static_cast<size_t>(RasterSize(2, 2, 1)));
  ASSERT_GT(EncodeRaster(good, picture, 2, 2, 1), 0);
  ASSERT_TRUE(DecodeRaster(good).has_value());

  std::vector<uint8_t> shortened(good.begin(), good.end() - 1);
  std::vector<uint8_t> wrongTag = good;
  wrongTag[0] = 0x37;
  std::vector<uint8_t> wrongDepth = good;
  wrongDepth[6] = 2;
  std::vector<uint8_t> wrongLength = good;
  wrongLength[8] += 4;
  std::vector<uint8_t> oddHeight = good;
  oddHeight[4] = 33;
  for (const auto* bad : {&shortened, &wrongTag, &wrongDepth, &wrongLength, &oddHeight}) {
    EXPECT_FALSE(DecodeRaster(*bad).has_value());
  }
  EXPECT_FALSE(DecodeRaster({}).has_value());
}

}  // namespace
}  // namespace veltrane::raster

namespace veltrane::raster {
namespace {

TEST(RasterDecode, HeaderWithoutPixelsIsAnEmptyPicture) {
  // 65535 x 65520 in its size fields but no pixel words: nothing to show, nothing to allocate.
  const std::vector<uint8_t> headerOnly = {0x36, 0, 0xFF, 0xFF, 0xF0, 0xFF, 4, 0, 12, 0, 0, 0};
  const auto picture = DecodeRaster(headerOnly);
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(picture->width, 0);
  EXPECT_TRUE(picture->pixels.empty());
}

}  // namespace
}  // namespace veltrane::raster
