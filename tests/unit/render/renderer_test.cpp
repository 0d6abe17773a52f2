// SPDX-License-Identifier: MIT
#include "render/renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "builder/clock_area.h"
#include "builder/date_time_area.h"
#include "builder/program.h"
#include "builder/string_area.h"
#include "builder/window_area.h"
#include "program/program_reader.h"
#include "support/program_bench.h"

namespace veltrane::render {
namespace {

enum Shade { Black, Red, Green, Yellow, Other };

Shade ShadeAt(const image::RgbImage& image, int32_t x, int32_t y) {
  const uint8_t* p = image.PixelAt(x, y);
  if (p[2] != 0) return Other;
  if (p[0] == 0 && p[1] == 0) return Black;
  if (p[0] == 255 && p[1] == 0) return Red;
  if (p[0] == 0 && p[1] == 255) return Green;
  if (p[0] == 255 && p[1] == 255) return Yellow;
  return Other;
}

class Renderer : public ::testing::Test, protected testing::ProgramBench {
 protected:
  void SetUp() override { ASSERT_EQ(NewPage(2), Status::Ok); }

  // Reads the program and renders its first page.
  image::RgbImage Render(const platform::LocalTime& time) {
    block_ = Block();
    const program::ReadResult read = program::ReadProgram(block_);
    EXPECT_TRUE(read.ok()) << (read.ok() ? "" : read.defect().message);
    if (!read.ok()) return {};
    return RenderPage(read.program(), block_, 0, time);
  }

  static platform::LocalTime At(uint16_t hour, uint16_t minute, uint16_t second) {
    platform::LocalTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 9;
    t.dayOfWeek = 3;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
  }

  std::vector<uint8_t> block_;
};

TEST_F(Renderer, ClockShowsItsHandsForTheTime) {
  // Face black with a red ring; hour red, minute green, second yellow.
  ASSERT_EQ(AddClock({0, 0, 64, 64}, 0, {0x0000FF, 0x00FF00, 0x00FFFF, 0x00FF00, 0x0000FF, 0}),
            Status::Ok);
  const image::RgbImage at3 = Render(At(3, 0, 30));
  ASSERT_EQ(at3.width, 64);
  EXPECT_EQ(ShadeAt(at3, 44, 32), Red);     // hour hand towards 3 o'clock
  EXPECT_EQ(ShadeAt(at3, 32, 20), Green);   // minute hand at 12
  EXPECT_EQ(ShadeAt(at3, 32, 50), Yellow);  // second hand at 30 s, pointing down
  EXPECT_EQ(ShadeAt(at3, 0, 32), Red);      // the ring
  const image::RgbImage at9 = Render(At(21, 0, 0));
  EXPECT_EQ(ShadeAt(at9, 20, 32), Red);
  EXPECT_EQ(ShadeAt(at9, 44, 32), Black);
  // From 11:48 the hour hand stands at 12 o'clock, not on the pictures of the minute hand.
  const image::RgbImage late = Render(At(11, 50, 30));
  EXPECT_EQ(ShadeAt(late, 32, 20), Red);
}

TEST_F(Renderer, DateTimeComposesTheGlyphsForTheTime) {
  ASSERT_EQ(AddDateTime({0, 0, 200, 20}, {"DejaVu Sans", 12, 0x0000FF}, 2, 0), Status::Ok);
  // At 11:11 the two digits of each field are the same glyph, side by side.
  const image::RgbImage image = Render(At(11, 11, 0));
  int32_t firstLit = -1, lastLit = -1;
  for (int32_t x = 0; x < image.width; ++x)
    for (int32_t y = 0; y < image.height; ++y)
      if (ShadeAt(image, x, y) != Black) {
        if (firstLit < 0) firstLit = x;
        lastLit = x;
      }
  ASSERT_GE(firstLit, 0);
  EXPECT_GT(lastLit - firstLit, 20);  // five glyphs wide
  const image::RgbImage other = Render(At(10, 10, 0));
  EXPECT_NE(image.rgb, other.rgb);
}

TEST_F(Renderer, StringsAreDrawnRedInsideTheirArea) {
  ASSERT_EQ(AddString({{10, 0, 60, 20}, 0, 0, 0, 0, 0}, "Hi"), Status::Ok);
  const image::RgbImage image = Render(At(0, 0, 0));
  int lit = 0;
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x) {
      const Shade shade = ShadeAt(image, x, y);
      if (shade == Black) continue;
      EXPECT_EQ(shade, Red);
      EXPECT_GE(x, 10);
      ++lit;
    }
  EXPECT_GT(lit, 10);
}

TEST_F(Renderer, HugeRectanglesAreCutToTheLargestPage) {
  ASSERT_EQ(AddString({{0, 0, 65535, 65535}, 0, 0, 0, 0, 0}, "x"), Status::Ok);
  const image::RgbImage image = Render(At(0, 0, 0));
  EXPECT_EQ(image.width, kMaxPageSide);
  EXPECT_EQ(image.height, kMaxPageSide);
  EXPECT_EQ(ScaleUp(image, 32).width, kMaxPictureSide);
}

TEST_F(Renderer, CountsTheLitPixelsAnAreaLosesAtItsRectangle) {
  struct Case {
    const char* name;
    builder::AreaRect rect;
    int32_t side;      // the picture is side x side pixels
    int32_t litWidth;  // lit red from its top-left corner, dark beyond
    int32_t litHeight;
    bool spills;
    int32_t right, bottom;  // what the spill says when there is one
  };
  const Case cases[] = {
      {"fits exactly", {0, 0, 16, 12}, 16, 16, 12, false, 0, 0},
      {"larger, lit all over", {0, 0, 16, 12}, 20, 20, 20, true, 4, 8},
      {"larger, dark beyond the rectangle", {0, 0, 16, 12}, 20, 16, 12, false, 0, 0},
      {"wider only, away from the corner", {10, 10, 14, 20}, 8, 8, 8, true, 4, 0},
      {"taller only", {0, 0, 32, 3}, 8, 8, 5, true, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(NewPage(2), Status::Ok);
    std::vector<uint8_t> bgr(static_cast<size_t>(c.side * c.side * 3), 0);
    for (int32_t y = 0; y < c.litHeight; ++y)
      for (int32_t x = 0; x < c.litWidth; ++x)
        bgr[static_cast<size_t>((y * c.side + x) * 3 + 2)] = 255;
    ASSERT_EQ(
        AddWindow({c.rect, 0, 0, 0}, {bgr.data(), c.side, c.side, c.side * 3, 3}, c.side, c.side),
        Status::Ok);
    block_ = Block();
    const program::ReadResult read = program::ReadProgram(block_);
    ASSERT_TRUE(read.ok());
    std::vector<Spill> spills;
    RenderProgram(read.program(), block_, At(0, 0, 0), &spills);
    ASSERT_EQ(spills.size(), c.spills ? 1u : 0u);
    if (!c.spills) continue;
    EXPECT_EQ(spills[0].page, 0u);
    EXPECT_EQ(spills[0].area, 0u);
    EXPECT_EQ(spills[0].right, c.right);
    EXPECT_EQ(spills[0].bottom, c.bottom);
  }
}

TEST(RendererImages, ScaleAndJoin) {
  image::RgbImage image;
  image.width = 2;
  image.height = 1;
  image.rgb = {255, 0, 0, 0, 255, 0};
  const image::RgbImage big = ScaleUp(image, 3);
  ASSERT_EQ(big.width, 6);
  ASSERT_EQ(big.height, 3);
  EXPECT_EQ(big.PixelAt(2, 2)[0], 255);
  EXPECT_EQ(big.PixelAt(3, 0)[1], 255);
  const image::RgbImage joined = JoinPages({image, big});
  EXPECT_EQ(joined.width, 2 + 1 + 6);
  EXPECT_EQ(joined.height, 3);
  EXPECT_EQ(joined.PixelAt(2, 0)[0], 80);  // the gap
  EXPECT_EQ(joined.PixelAt(0, 2)[0], 0);   // below the shorter page
  // Every pixel of each page is at its place, every colour of it.
  int32_t left = 0;
  for (const image::RgbImage* page : {&std::as_const(image), &big}) {
    for (int32_t y = 0; y < page->height; ++y)
      for (int32_t x = 0; x < page->width; ++x)
        EXPECT_TRUE(
            std::equal(page->PixelAt(x, y), page->PixelAt(x, y) + 3, joined.PixelAt(left + x, y)))
            << "page at " << left << ", pixel " << x << "," << y;
    left += page->width + 1;
  }
}

}  // namespace
}  // namespace veltrane::render
