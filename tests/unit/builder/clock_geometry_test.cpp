// SPDX-License-Identifier: MIT
#include "builder/clock_geometry.h"

#include <gtest/gtest.h>

namespace veltrane::builder {
namespace {

ClockGeometry Geometry(int32_t width, int32_t height) {
  ClockGeometry g;
  EXPECT_EQ(ClockGeometryFor(10, 20, 10 + width, 20 + height, g), Status::Ok);
  return g;
}

TEST(ClockGeometry, SideIsTheSmallerExtentAndRefusesNegative) {
  const ClockGeometry g = Geometry(100, 60);
  EXPECT_EQ(g.side, 60);
  EXPECT_EQ(g.centre, 30);
  EXPECT_EQ(Geometry(61, 80).centre, 30);
  ClockGeometry refused;
  EXPECT_EQ(ClockGeometryFor(10, 0, 5, 100, refused), Status::BadArgument);
  EXPECT_EQ(ClockGeometryFor(0, 10, 100, 5, refused), Status::BadArgument);
  EXPECT_FALSE(ClockGeometryFor(INT32_MIN, 0, INT32_MAX, INT32_MAX, refused) == Status::Ok &&
               refused.side < 0);
}

TEST(ClockGeometry, MarksRunClockwiseFromBelowWithBiggerQuarterMarks) {
  const ClockGeometry g = Geometry(64, 64);           // x = 32, mark circle radius 28
  EXPECT_EQ(HourMark(g, 0).centre, (Point{32, 60}));  // straight below
  EXPECT_EQ(HourMark(g, 3).centre, (Point{4, 32}));   // then to the left
  // sin(6 * step) and cos(9 * step) are a hair above zero, so truncation lands one pixel short.
  EXPECT_EQ(HourMark(g, 6).centre, (Point{31, 4}));   // above
  EXPECT_EQ(HourMark(g, 9).centre, (Point{60, 31}));  // right
  for (int i = 0; i < 12; ++i) EXPECT_EQ(HourMark(g, i).radius, i % 3 == 0 ? 3 : 2) << i;
}

TEST(ClockGeometry, KitesPointUpFromTheCentre) {
  const ClockGeometry g = Geometry(60, 60);  // x = 30
  const Kite hour = HourKite(g);
  EXPECT_EQ(hour.tail, (Point{30, 37}));
  EXPECT_EQ(hour.left, (Point{28, 30}));
  EXPECT_EQ(hour.tip, (Point{30, 13}));
  EXPECT_EQ(hour.right, (Point{32, 30}));
  const Kite minute = MinuteKite(g);
  EXPECT_EQ(minute.left, (Point{29, 30}));
  EXPECT_EQ(minute.tip, (Point{30, 12}));
}

TEST(ClockGeometry, UnturnedCornersStayPutDespiteRounding) {
  // cos and sin of the corner angles are not exact; truncation must not turn -2e-15 into -1.
  for (int32_t side : {2, 10, 60, 64, 100, 256}) {
    SCOPED_TRACE(side);
    const ClockGeometry g = Geometry(side, side);
    const auto corners = TurnedCorners(g, 0, 0);
    EXPECT_EQ(corners[0], (Point{0, 0}));
    EXPECT_EQ(corners[1], (Point{side, 0}));
    EXPECT_EQ(corners[2], (Point{0, side}));
  }
}

TEST(ClockGeometry, QuarterTurnsMoveTheCornersClockwise) {
  const ClockGeometry g = Geometry(64, 64);
  // Three hours: the top-left corner goes to the top-right, within a pixel of truncation.
  const auto corners = TurnedCorners(g, 3, 0);
  EXPECT_NEAR(corners[0].x, 64, 1);
  EXPECT_NEAR(corners[0].y, 0, 1);
  EXPECT_NEAR(corners[2].x, 0, 1);  // bottom-left goes to the top-left
  EXPECT_NEAR(corners[2].y, 0, 1);
  // Fifteen minutes on the minute hand is the same quarter turn.
  const auto minute = TurnedCorners(g, 0, 15);
  EXPECT_NEAR(minute[0].x, 64, 1);
  EXPECT_NEAR(minute[0].y, 0, 1);
}

TEST(ClockGeometry, SecondHandPointsUpThenRight) {
  const ClockGeometry g = Geometry(60, 60);  // x = 30, hand length 24
  EXPECT_EQ(SecondHandEnd(g, 0), (Point{30, 6}));
  EXPECT_EQ(SecondHandEnd(g, 15), (Point{54, 30}));
  EXPECT_EQ(SecondHandEnd(g, 30), (Point{30, 54}));
  EXPECT_EQ(SecondHandEnd(g, 45), (Point{6, 30}));
}

}  // namespace
}  // namespace veltrane::builder
