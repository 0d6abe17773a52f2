// SPDX-License-Identifier: MIT
// Text against the fonts installed by scripts/install-deps.sh (DejaVu and WenQuanYi Zen Hei).
// Glyph shapes belong to the fonts, so these tests check sizes, placement and colours, not bits.
#include "platform/font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <thread>
#include <vector>

#include "platform/tools/font_families.h"

namespace veltrane::platform {
namespace {

using image::Color;
using image::kBlack;
using image::Surface;

const FontRequest kSans{"DejaVu Sans", -16};
constexpr Color kRed = 0x0000FF;

// Rows [first, last] that hold lit pixels, or {-1, -1} for a dark picture.
std::pair<int32_t, int32_t> InkRows(const Surface& s) {
  std::pair<int32_t, int32_t> rows{-1, -1};
  for (int32_t y = 0; y < s.height(); ++y) {
    for (Color c : s.Row(y)) {
      if (c == kBlack) continue;
      if (rows.first < 0) rows.first = y;
      rows.second = y;
    }
  }
  return rows;
}

size_t LitPixels(const Surface& s) {
  size_t lit = 0;
  for (int32_t y = 0; y < s.height(); ++y) {
    for (Color c : s.Row(y)) lit += c != kBlack;
  }
  return lit;
}

TEST(FontHeight, PointsAtNinetySixPixelsPerInch) {
  for (auto [points, height] :
       {std::pair{12, -16}, {9, -12}, {11, -15}, {2, -3}, {0, 0}, {-12, 16}}) {
    SCOPED_TRACE(points);
    EXPECT_EQ(FontHeightForPoints(points), height);
  }
}

TEST(TextLine, ExtentIsTheSumOfAdvancesTimesTheLineHeight) {
  const auto a = MeasureTextLine(U"A", kSans);
  const auto b = MeasureTextLine(U"B", kSans);
  const auto ab = MeasureTextLine(U"AB", kSans);
  const auto empty = MeasureTextLine(U"", kSans);
  ASSERT_TRUE(a && b && ab && empty);
  EXPECT_GT(a->width, 0);
  EXPECT_EQ(ab->width, a->width + b->width);  // no kerning, as the Windows text output
  EXPECT_EQ(empty->width, 0);
  // The line height is the font's, whatever the characters.
  EXPECT_EQ(a->height, ab->height);
  EXPECT_EQ(empty->height, a->height);
  const auto longer = MeasureTextLine(U"AB, and more", kSans);
  ASSERT_TRUE(longer);
  EXPECT_GT(longer->width, ab->width);
}

TEST(TextLine, HeightFollowsTheRequestedSize) {
  for (int32_t em : {8, 16, 24, 48}) {
    SCOPED_TRACE(em);
    const auto extent = MeasureTextLine(U"Hg", {"DejaVu Sans", -em});
    ASSERT_TRUE(extent);
    // Ascent + descent: a little more than the character height.
    EXPECT_GE(extent->height, em);
    EXPECT_LE(extent->height, em * 3 / 2);
    // A positive height asks for that cell height.
    const auto cell = MeasureTextLine(U"Hg", {"DejaVu Sans", em});
    ASSERT_TRUE(cell);
    EXPECT_NEAR(cell->height, em, 1);
  }
  const auto byDefault = MeasureTextLine(U"Hg", {"DejaVu Sans", 0});
  ASSERT_TRUE(byDefault);
  EXPECT_EQ(byDefault, MeasureTextLine(U"Hg", kSans));
}

TEST(TextLine, SizesBeyondTheFontEngineAreRefused) {
  EXPECT_FALSE(MeasureTextLine(U"A", {"DejaVu Sans", -70000}));
  EXPECT_FALSE(MeasureTextLine(U"A", {"DejaVu Sans", std::numeric_limits<int32_t>::min()}));
  EXPECT_FALSE(DrawTextLine(U"A", {"DejaVu Sans", -70000}, kRed));
}

TEST(TextLine, DrawingIsExactlyTheExtentInTheTextColourOnBlack) {
  for (Color colour : {kRed, Color{0x123456}, Color{0xFFFFFF}}) {
    SCOPED_TRACE(colour);
    const auto extent = MeasureTextLine(U"Hello, 12:30", kSans);
    const auto picture = DrawTextLine(U"Hello, 12:30", kSans, colour);
    ASSERT_TRUE(extent && picture);
    EXPECT_EQ(picture->width(), extent->width);
    EXPECT_EQ(picture->height(), extent->height);
    EXPECT_GT(LitPixels(*picture), 50u);
    for (int32_t y = 0; y < picture->height(); ++y) {
      for (Color c : picture->Row(y)) ASSERT_TRUE(c == kBlack || c == colour) << c;
    }
  }
}

TEST(TextLine, GlyphsSitOnOneBaseline) {
  const auto x = DrawTextLine(U"x", kSans, kRed);
  const auto p = DrawTextLine(U"p", kSans, kRed);
  const auto l = DrawTextLine(U"l", kSans, kRed);
  ASSERT_TRUE(x && p && l);
  const auto [xTop, xBottom] = InkRows(*x);
  EXPECT_EQ(InkRows(*p).first, xTop);      // p starts at the x-height
  EXPECT_GT(InkRows(*p).second, xBottom);  // and descends below the baseline
  EXPECT_LT(InkRows(*l).first, xTop);      // l rises above the x-height
  EXPECT_EQ(InkRows(*l).second, xBottom);  // and stands on the baseline
  const auto space = DrawTextLine(U"   ", kSans, kRed);
  ASSERT_TRUE(space);
  EXPECT_GT(space->width(), 0);
  EXPECT_EQ(LitPixels(*space), 0u);
}

TEST(TextLine, DrawsTheSameFromAColdAndAWarmCache) {
  // Many sizes, so that the first drawing of each is a fresh render.
  for (int32_t em = 9; em < 40; em += 3) {
    SCOPED_TRACE(em);
    const FontRequest font{"DejaVu Sans", -em};
    const auto first = DrawTextLine(U"Quick 0123 \u5E74", font, kRed);
    const auto second = DrawTextLine(U"Quick 0123 \u5E74", font, kRed);
    ASSERT_TRUE(first && second);
    ASSERT_EQ(first->width(), second->width());
    for (int32_t y = 0; y < first->height(); ++y) {
      ASSERT_TRUE(std::ranges::equal(first->Row(y), second->Row(y))) << y;
    }
  }
}

TEST(TextLine, CjkCharactersComeFromAFaceThatHasThem) {
  EXPECT_EQ(FontFamilyFor(kSans, U'A'), "DejaVu Sans");
  const std::string cjk = FontFamilyFor(kSans, U'\u5E74');
  EXPECT_NE(cjk, "DejaVu Sans");
  EXPECT_NE(cjk.find("WenQuanYi"), std::string::npos) << cjk;

  const auto picture = DrawTextLine(U"\u661F\u671F\u4E09", kSans, kRed);  // "星期三"
  ASSERT_TRUE(picture);
  EXPECT_GE(picture->width(), 3 * 14);  // three full-width characters
  EXPECT_GT(LitPixels(*picture), 60u);
  // Drawn on the chosen face's line: as high as any Latin line in it.
  EXPECT_EQ(picture->height(), MeasureTextLine(U"A", kSans)->height);
}

TEST(TextLine, UnknownOrEmptyFaceNamesFallBackToAnInstalledFamily) {
  for (const char* name : {"No Such Face 4711", "", "Arial"}) {
    SCOPED_TRACE(name);
    const FontRequest font{name, -16};
    EXPECT_FALSE(FontFamilyFor(font, U'A').empty());
    const auto picture = DrawTextLine(U"Abc", font, kRed);
    ASSERT_TRUE(picture);
    EXPECT_GT(LitPixels(*picture), 10u);
  }
}

TEST(TextLine, ResolvedFamilyNamesTheChosenFaceOrItsSubstitute) {
  struct Case {
    const char* asked;
    bool installed;  // the family resolved is the one asked for
  };
  const Case cases[] = {
      {"DejaVu Sans", true},
      {"DejaVu Sans Mono", true},
      {"No Such Face 4711", false},
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    const std::string family = ResolvedFamily({c.asked, -16});
    ASSERT_FALSE(family.empty());
    EXPECT_EQ(family == c.asked, c.installed) << family;
    // The face whose line the text takes: the one drawing the characters it has.
    EXPECT_EQ(family, FontFamilyFor({c.asked, -16}, U'A'));
  }
  // Characters borrowed from another face do not change the chosen one.
  EXPECT_EQ(ResolvedFamily(kSans), "DejaVu Sans");
}

TEST(FontFamilies, EachInstalledFamilyIsListedOnceInOrderAndResolvesToItself) {
  const std::vector<std::string> families = InstalledFamilies();
  ASSERT_TRUE(std::is_sorted(families.begin(), families.end()));
  EXPECT_EQ(std::adjacent_find(families.begin(), families.end()), families.end());
  for (const char* installed : {"DejaVu Sans", "DejaVu Sans Mono", "WenQuanYi Zen Hei"}) {
    SCOPED_TRACE(installed);
    EXPECT_TRUE(std::binary_search(families.begin(), families.end(), installed));
    EXPECT_EQ(ResolvedFamily({installed, -16}), installed);
  }
}

TEST(TextLine, CharactersNoFaceHasStillTakeRoom) {
  const auto extent = MeasureTextLine(U"\U0010FFFD\n", kSans);
  ASSERT_TRUE(extent);
  EXPECT_GT(extent->width, 0);
}

TEST(TextLine, DrawsFromSeveralThreadsAtOnce) {
  const auto expected = DrawTextLine(U"Thread 42", kSans, kRed);
  ASSERT_TRUE(expected);
  std::vector<std::thread> threads;
  std::vector<int> same(4, 0);
  for (size_t t = 0; t < same.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 20; ++i) {
        const FontRequest font{"DejaVu Sans", -static_cast<int32_t>(10 + (i + t) % 5)};
        EXPECT_TRUE(DrawTextLine(U"Thread 42", font, kRed));
      }
      const auto mine = DrawTextLine(U"Thread 42", kSans, kRed);
      same[t] =
          mine && mine->width() == expected->width() && LitPixels(*mine) == LitPixels(*expected);
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(same, std::vector<int>(4, 1));
}

}  // namespace
}  // namespace veltrane::platform
