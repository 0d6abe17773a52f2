// SPDX-License-Identifier: MIT
#include "image/fit.h"

#include <gtest/gtest.h>

namespace veltrane::image {
namespace {

RgbImage Filled(int32_t width, int32_t height, uint8_t red) {
  RgbImage image;
  image.width = width;
  image.height = height;
  for (int32_t i = 0; i < width * height; ++i) image.rgb.insert(image.rgb.end(), {red, 0, 0});
  return image;
}

// The box the picture's pixels took: the lit pixels' bounds.
struct Placed {
  int32_t left, top, width, height;
  friend bool operator==(const Placed&, const Placed&) = default;
};
Placed LitBounds(const RgbImage& image) {
  int32_t left = image.width, top = image.height, right = 0, bottom = 0;
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x)
      if (image.PixelAt(x, y)[0] != 0) {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x + 1);
        bottom = std::max(bottom, y + 1);
      }
  return {left, top, right - left, bottom - top};
}

TEST(ScaleToFit, ThePictureKeepsItsProportionsCentredInTheBox) {
  struct Case {
    int32_t width, height;        // the picture
    int32_t boxWidth, boxHeight;  // what it is fitted into
    Placed placed;
  };
  const Case cases[] = {
      {32, 16, 16, 16, {0, 4, 16, 8}},  // wider: fills the width
      {16, 32, 16, 16, {4, 0, 8, 16}},  // taller: fills the height
      {4, 4, 12, 8, {2, 0, 8, 8}},      // made larger
      {100, 1, 10, 10, {0, 4, 10, 1}},  // a thin line stays a pixel thick
      {7, 7, 7, 7, {0, 0, 7, 7}},       // already the size
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.width << "x" << c.height << " into " << c.boxWidth << "x" << c.boxHeight);
    const RgbImage fitted = ScaleToFit(Filled(c.width, c.height, 200), c.boxWidth, c.boxHeight);
    ASSERT_EQ(fitted.width, c.boxWidth);
    ASSERT_EQ(fitted.height, c.boxHeight);
    EXPECT_EQ(LitBounds(fitted), c.placed);
    EXPECT_EQ(fitted.PixelAt(c.placed.left, c.placed.top)[0], 200);
  }
}

TEST(ScaleToFit, ShrinkingAveragesThePixelsCovered) {
  RgbImage stripes = Filled(4, 2, 0);
  for (int32_t y = 0; y < 2; ++y) stripes.rgb[static_cast<size_t>(y * 4 * 3)] = 255;  // column 0
  const RgbImage fitted = ScaleToFit(stripes, 2, 1);
  ASSERT_EQ(fitted.width, 2);
  EXPECT_EQ(fitted.PixelAt(0, 0)[0], 128);  // columns 0 and 1 of both rows: half lit
  EXPECT_EQ(fitted.PixelAt(1, 0)[0], 0);
}

TEST(ScaleToFit, NoBoxOrNoPictureGivesBlackOrNothing) {
  EXPECT_EQ(ScaleToFit(Filled(4, 4, 9), 0, 5).rgb.size(), 0u);
  EXPECT_EQ(ScaleToFit(Filled(4, 4, 9), 5, -1).rgb.size(), 0u);
  const RgbImage black = ScaleToFit(RgbImage{}, 3, 2);
  EXPECT_EQ(black.rgb, std::vector<uint8_t>(18, 0));
}

}  // namespace
}  // namespace veltrane::image
