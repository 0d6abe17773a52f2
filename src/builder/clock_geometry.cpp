// SPDX-License-Identifier: MIT
#include "builder/clock_geometry.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace veltrane::builder {
namespace {

int32_t Truncate(double v) { return static_cast<int32_t>(std::trunc(v)); }

Kite KiteOf(const ClockGeometry& g, int32_t halfWidth, int32_t tipInset) {
  const int32_t x = g.centre;
  return {{x, x + x / 4}, {x - halfWidth, x}, {x, x / 3 + tipInset}, {x + halfWidth, x}};
}

}  // namespace

Status ClockGeometryFor(int32_t left, int32_t top, int32_t right, int32_t bottom,
                        ClockGeometry& out) {
  const int64_t width = int64_t{right} - left;
  const int64_t height = int64_t{bottom} - top;
  if (width < 0)
    return {Status::BadArgument, "the area is inverted: its right (" + std::to_string(right) +
                                     ") lies left of its left (" + std::to_string(left) + ")"};
  if (height < 0)
    return {Status::BadArgument, "the area is inverted: its bottom (" + std::to_string(bottom) +
                                     ") lies above its top (" + std::to_string(top) + ")"};
  const int64_t side = std::min(width, height);
  if (side > INT32_MAX)
    return {Status::CannotBuild, "the clock's side of " + std::to_string(side) +
                                     " pixels is larger than any picture can be"};
  out.side = static_cast<int32_t>(side);
  out.centre = out.side / 2;
  return Status::Ok;
}

Mark HourMark(const ClockGeometry& g, int i) {
  const double theta = i * kHourStep;
  const double radius = g.centre - 4;
  return {{Truncate(g.centre - radius * std::sin(theta)),
           Truncate(g.centre + radius * std::cos(theta))},
          i % 3 == 0 ? 3 : 2};
}

Kite HourKite(const ClockGeometry& g) { return KiteOf(g, 2, 3); }
Kite MinuteKite(const ClockGeometry& g) { return KiteOf(g, 1, 2); }

std::array<Point, 3> TurnedCorners(const ClockGeometry& g, int turns30, int turns6) {
  const double x = g.centre;
  const double r = std::sqrt(2.0 * x * x);
  const Point corners[3] = {{0, 0}, {g.side, 0}, {0, g.side}};
  std::array<Point, 3> turned;
  for (int i = 0; i < 3; ++i) {
    const double dx = corners[i].x - x;
    const double dy = x - corners[i].y;
    const double phi = std::atan2(dy, dx) - turns30 * kHourStep - turns6 * kMinuteStep;
    turned[i] = {Truncate(x + r * std::cos(phi)), Truncate(x - r * std::sin(phi))};
  }
  return turned;
}

Point SecondHandEnd(const ClockGeometry& g, int n) {
  const double theta = n * kMinuteStep;
  const double length = g.centre - 6;
  return {g.centre + Truncate(length * std::sin(theta)),
          g.centre - Truncate(length * std::cos(theta))};
}

}  // namespace veltrane::builder
