// SPDX-License-Identifier: MIT
#include "image/surface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veltrane::image {
namespace {

constexpr Color kRed = 0x0000FF;
constexpr Color kGreen = 0x00FF00;
constexpr Color kBlue = 0xFF0000;
constexpr Color kWhite = 0xFFFFFF;

// The picture as text, one string per row: '.' black, 'r' red, 'g' green, 'b' blue, 'w' white,
// '?' anything else.
std::vector<std::string> Draw(const Surface& s) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < s.height(); ++y) {
    std::string row;
    for (int32_t x = 0; x < s.width(); ++x) {
      const Color c = s.Pixel(x, y);
      row += c == kBlack   ? '.'
             : c == kRed   ? 'r'
             : c == kGreen ? 'g'
             : c == kBlue  ? 'b'
             : c == kWhite ? 'w'
                           : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

using Rows = std::vector<std::string>;

TEST(Surface, NewSurfaceIsBlackAndReadsBlackOutside) {
  Surface s(3, 2);
  EXPECT_EQ(Draw(s), (Rows{"...", "..."}));
  s.SetPixel(-1, 0, kRed);
  s.SetPixel(3, 0, kRed);
  EXPECT_EQ(Draw(s), (Rows{"...", "..."}));
  EXPECT_EQ(s.Pixel(5, 5), kBlack);
  const Surface noWidth(-4, 3);
  EXPECT_EQ(noWidth.width(), 0);
  EXPECT_EQ(noWidth.height(), 3);
  EXPECT_EQ(noWidth.Pixel(0, 0), kBlack);
  EXPECT_EQ(Surface(4, -3).height(), 0);
}

TEST(Surface, IgnoresTheTopByteOfColours) {
  Surface s(1, 1);
  s.SetPixel(0, 0, 0x02000000 | kRed);
  EXPECT_EQ(s.Pixel(0, 0), kRed);
}

TEST(Surface, FillRectLeavesOutRightAndBottomAndClips) {
  Surface s(5, 4);
  s.FillRect(1, 1, 3, 3, kRed);
  s.FillRect(-2, 3, 2, 99, kGreen);
  s.FillRect(4, 0, 2, 2, kBlue);  // right left of left: nothing
  EXPECT_EQ(Draw(s), (Rows{".....", ".rr..", ".rr..", "gg..."}));
}

TEST(Surface, EllipseFiveByFive) {
  Surface s(5, 5);
  s.Ellipse(0, 0, 5, 5, kRed, kGreen);
  EXPECT_EQ(Draw(s), (Rows{".rrr.", "rgggr", "rgggr", "rgggr", ".rrr."}));
}

TEST(Surface, EllipseOfEvenSizeAndAnyCornerOrder) {
  const Rows expected = {
      "........",  //
      "..rrrr..",  //
      ".rggggr.",  //
      ".rggggr.",  //
      "..rrrr..",  //
  };
  for (const auto& box : {std::array{1, 1, 7, 5}, std::array{7, 5, 1, 1}, std::array{7, 1, 1, 5}}) {
    SCOPED_TRACE(testing::PrintToString(box));
    Surface s(8, 5);
    s.Ellipse(box[0], box[1], box[2], box[3], kRed, kGreen);
    EXPECT_EQ(Draw(s), expected);
  }
}

TEST(Surface, ClippedEllipseMatchesTheWholeOne) {
  Surface whole(40, 30);
  whole.Ellipse(0, 0, 40, 30, kRed, kGreen);
  for (const Point offset : {Point{-13, -7}, Point{21, 11}, Point{-30, 20}}) {
    SCOPED_TRACE(testing::PrintToString(std::pair(offset.x, offset.y)));
    Surface part(15, 12);
    part.Ellipse(offset.x, offset.y, offset.x + 40, offset.y + 30, kRed, kGreen);
    for (int32_t y = 0; y < part.height(); ++y) {
      for (int32_t x = 0; x < part.width(); ++x) {
        ASSERT_EQ(part.Pixel(x, y), whole.Pixel(x - offset.x, y - offset.y)) << x << "," << y;
      }
    }
  }
}

TEST(Surface, LineLeavesOutItsLastPixel) {
  struct Case {
    const char* name;
    Point from, to;
    Rows expected;
  };
  const Case cases[] = {
      {"diagonal", {0, 0}, {4, 4}, {"r....", ".r...", "..r..", "...r.", "....."}},
      {"diagonal backwards", {4, 4}, {0, 0}, {".....", ".r...", "..r..", "...r.", "....r"}},
      {"horizontal", {0, 2}, {5, 2}, {".....", ".....", "rrrrr", ".....", "....."}},
      {"vertical up", {1, 4}, {1, 0}, {".....", ".r...", ".r...", ".r...", ".r..."}},
      {"shallow", {0, 0}, {5, 2}, {"rr...", "..rr.", "....r", ".....", "....."}},
      {"steep", {0, 0}, {2, 5}, {"r....", "r....", ".r...", ".r...", "..r.."}},
      {"a point", {2, 2}, {2, 2}, {".....", ".....", ".....", ".....", "....."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Surface s(5, 5);
    s.Line(c.from, c.to, kRed);
    EXPECT_EQ(Draw(s), c.expected);
  }
}

TEST(Surface, ClippedLineMatchesTheWholeOne) {
  Surface whole(300, 300);
  whole.Line({7, 290}, {293, 3}, kRed);
  Surface part(50, 40);
  part.Line({7 - 120, 290 - 130}, {293 - 120, 3 - 130}, kRed);
  for (int32_t y = 0; y < part.height(); ++y) {
    for (int32_t x = 0; x < part.width(); ++x) {
      ASSERT_EQ(part.Pixel(x, y), whole.Pixel(x + 120, y + 130)) << x << "," << y;
    }
  }
  // Ends far outside the picture cost nothing extra and draw only what is inside.
  Surface far(4, 1);
  far.Line({-2000000000, 0}, {2000000000, 0}, kRed);
  EXPECT_EQ(Draw(far), (Rows{"rrrr"}));
}

TEST(Surface, FloodFillStaysInsideARing) {
  Surface s(9, 9);
  s.FillRect(0, 0, 9, 9, kBlue);
  s.Ellipse(1, 1, 8, 8, kRed, kBlue);
  s.FloodFill({4, 4}, kRed, kGreen);
  EXPECT_EQ(Draw(s), (Rows{
                         "bbbbbbbbb",
                         "bbbrrrbbb",
                         "bbrgggrbb",
                         "brgggggrb",
                         "brgggggrb",
                         "brgggggrb",
                         "bbrgggrbb",
                         "bbbrrrbbb",
                         "bbbbbbbbb",
                     }));
}

TEST(Surface, FloodFillDoesNotSlipThroughADiagonal) {
  Surface s(5, 5);
  s.Line({0, 0}, {5, 5}, kRed);
  s.FloodFill({4, 0}, kRed, kGreen);
  EXPECT_EQ(Draw(s), (Rows{"rgggg", ".rggg", "..rgg", "...rg", "....r"}));
}

TEST(Surface, FloodFillCoversPixelsOfAnyOtherColourAndRefusesBadStarts) {
  Surface s(4, 1);
  s.SetPixel(1, 0, kGreen);
  s.SetPixel(3, 0, kRed);
  s.FloodFill({0, 0}, kRed, kGreen);  // fills through the green pixel, stops at red
  EXPECT_EQ(Draw(s), (Rows{"gggr"}));
  s.FloodFill({3, 0}, kRed, kBlue);  // starts on the border: nothing
  s.FloodFill({9, 0}, kRed, kBlue);  // outside: nothing
  EXPECT_EQ(Draw(s), (Rows{"gggr"}));
}

// A 3 x 2 picture with no symmetry.
Surface Asymmetric() {
  Surface s(3, 2);
  s.SetPixel(0, 0, kRed);
  s.SetPixel(1, 0, kGreen);
  s.SetPixel(2, 0, kBlue);
  s.SetPixel(0, 1, kWhite);
  return s;
}

TEST(Surface, ParallelogramBlitTurnsMirrorsAndScales) {
  struct Case {
    const char* name;
    int32_t width, height;
    std::array<Point, 3> corners;
    Rows expected;
  };
  const Case cases[] = {
      {"identity", 3, 2, {{{0, 0}, {3, 0}, {0, 2}}}, {"rgb", "w.."}},
      {"quarter turn clockwise", 2, 3, {{{2, 0}, {2, 3}, {0, 0}}}, {"wr", ".g", ".b"}},
      {"quarter turn anticlockwise", 2, 3, {{{0, 3}, {0, 0}, {2, 3}}}, {"b.", "g.", "rw"}},
      {"half turn", 3, 2, {{{3, 2}, {0, 2}, {3, 0}}}, {"..w", "bgr"}},
      {"mirror", 3, 2, {{{3, 0}, {0, 0}, {3, 2}}}, {"bgr", "..w"}},
      {"twice as large",
       6,
       4,
       {{{0, 0}, {6, 0}, {0, 4}}},
       {"rrggbb", "rrggbb", "ww....", "ww...."}},
      {"moved and clipped", 3, 2, {{{1, 1}, {4, 1}, {1, 3}}}, {"...", ".rg"}},
      {"collinear corners", 3, 2, {{{0, 0}, {3, 0}, {6, 0}}}, {"...", "..."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Surface s(c.width, c.height);
    s.ParallelogramBlit(Asymmetric(), c.corners);
    EXPECT_EQ(Draw(s), c.expected);
  }
}

TEST(Surface, ParallelogramBlitShearsAndLeavesPixelsOutside) {
  Surface s(4, 2);
  s.FillRect(0, 0, 4, 2, kBlue);
  Surface source(2, 2);
  source.FillRect(0, 0, 2, 2, kRed);
  s.ParallelogramBlit(source, {{{0, 0}, {2, 0}, {2, 2}}});
  EXPECT_EQ(Draw(s), (Rows{"rrbb", "brrb"}));
}

TEST(Surface, BlitCopiesClipsAndReadsBlackOutsideTheSource) {
  Surface s(4, 3);
  s.FillRect(0, 0, 4, 3, kBlue);
  s.Blit(1, 1, 4, 3, Asymmetric(), 1, 0);
  EXPECT_EQ(Draw(s), (Rows{"bbbb", "bgb.", "b..."}));
  s.Blit(-1, -1, 2, 2, s, 2, 1);  // onto itself, partly outside
  EXPECT_EQ(Draw(s), (Rows{".bbb", "bgb.", "b..."}));
}

TEST(Surface, FromPixelsReadsBgrRowsAndBlackBeyondThem) {
  // Two rows of two pixels, 3 bytes each, rows padded to 8 bytes.
  const uint8_t bgr[] = {0,   0, 255, 0,   255, 0,   0xEE, 0xEE,  //
                         255, 0, 0,   255, 255, 255, 0xEE, 0xEE};
  const Surface s = Surface::FromPixels({bgr, 2, 2, 8, 3}, 3, 3);
  EXPECT_EQ(Draw(s), (Rows{"rg.", "bw.", "..."}));

  const uint8_t bgrx[] = {255, 0, 0, 9, 0, 0, 255, 9};
  EXPECT_EQ(Draw(Surface::FromPixels({bgrx, 2, 1, 8, 4}, 2, 1)), (Rows{"br"}));
  EXPECT_EQ(Draw(Surface::FromPixels({nullptr, 2, 1, 8, 4}, 2, 1)), (Rows{".."}));
}

}  // namespace
}  // namespace veltrane::image
