// SPDX-License-Identifier: MIT
#include "render/dots.h"

#include <gtest/gtest.h>

#include <array>

namespace veltrane::render {
namespace {

using Rgb = std::array<uint8_t, 3>;

Rgb At(const image::RgbImage& image, int32_t x, int32_t y) {
  const uint8_t* p = image.PixelAt(x, y);
  return {p[0], p[1], p[2]};
}

TEST(Leds, EachPixelIsARoundLedInItsColourWithADarkGap) {
  struct Case {
    const char* name;
    Rgb pixel;
    Rgb centre;
  };
  const Case cases[] = {
      {"red", {255, 0, 0}, {255, 0, 0}},
      {"green", {0, 255, 0}, {0, 255, 0}},
      {"yellow", {255, 255, 0}, {255, 255, 0}},
      {"dark", {0, 0, 0}, {kUnlitLedGrey, kUnlitLedGrey, kUnlitLedGrey}},
  };
  constexpr int32_t kPitch = 6;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The pixel under test sits right of a red one, so that a cell bleeding into the next shows.
    const image::RgbImage page{2, 1, {255, 0, 0, c.pixel[0], c.pixel[1], c.pixel[2]}};
    const image::RgbImage leds = DrawLeds(page, kPitch);
    ASSERT_EQ(leds.width, 2 * kPitch);
    ASSERT_EQ(leds.height, kPitch);
    const int32_t left = kPitch;
    EXPECT_EQ(At(leds, left + kPitch / 2, kPitch / 2), c.centre);
    EXPECT_EQ(At(leds, left + kPitch / 2 - 1, kPitch / 2 - 1), c.centre);
    for (const auto& [x, y] : {std::pair{0, 0}, {kPitch - 1, 0}, {0, kPitch - 1}})
      EXPECT_EQ(At(leds, left + x, y), (Rgb{0, 0, 0})) << "corner " << x << "," << y;
    EXPECT_EQ(At(leds, left, kPitch / 2), (Rgb{0, 0, 0})) << "the gap to the left neighbour";
  }
}

TEST(Leds, PitchIsLoweredToKeepThePictureBounded) {
  const image::RgbImage page{4096, 1, std::vector<uint8_t>(4096 * 3, 255)};
  EXPECT_EQ(DrawLeds(page, 32).width, 16384);
}

TEST(Leds, LabelRowGoesBelowThePicture) {
  const image::RgbImage page{40, 10, std::vector<uint8_t>(40 * 10 * 3, 255)};
  const image::RgbImage labelled = AddLabelRow(page, "page 1");
  ASSERT_GT(labelled.height, page.height);
  EXPECT_EQ(At(labelled, 39, 9), (Rgb{255, 255, 255}));
  int lit = 0;
  for (int32_t y = page.height; y < labelled.height; ++y)
    for (int32_t x = 0; x < labelled.width; ++x) lit += At(labelled, x, y)[0] != 0;
  EXPECT_GT(lit, 10);
}

}  // namespace
}  // namespace veltrane::render
