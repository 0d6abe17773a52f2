// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

#include "common/status.h"
#include "image/surface.h"

namespace veltrane::builder {

// Where the pieces of an analog clock go on its square pictures. Angles step by the doubles
// nearest to pi/6 and pi/30; real coordinates become integers by truncation toward zero.
constexpr double kHourStep = 0.5235987755982988;     // 30 degrees
constexpr double kMinuteStep = 0.10471975511965977;  // 6 degrees

using image::Point;

struct ClockGeometry {
  int32_t side = 0;    // s: every picture is side x side
  int32_t centre = 0;  // x: the centre is (x, x)
};

// The side is the smaller of the area's width and height (the right and bottom lie just outside
// the area). Refused, saying which edge is at fault, when the right lies left of the left or the
// bottom above the top, and when the side passes what a picture can have.
Status ClockGeometryFor(int32_t left, int32_t top, int32_t right, int32_t bottom,
                        ClockGeometry& out);

// The hour mark i (0..11, clockwise from straight below the centre): its centre and radius.
struct Mark {
  Point centre;
  int32_t radius = 0;
};
Mark HourMark(const ClockGeometry& g, int i);

// The closed outline of a hand drawn upright: tail, left, tip, right.
struct Kite {
  Point tail, left, tip, right;
};
Kite HourKite(const ClockGeometry& g);
Kite MinuteKite(const ClockGeometry& g);

// Where the upright picture's top-left, top-right and bottom-left corners go when the picture is
// turned clockwise by `turns30` steps of 30 degrees and then `turns6` steps of 6 degrees.
std::array<Point, 3> TurnedCorners(const ClockGeometry& g, int turns30, int turns6);

// The far end of the second hand at second n (0..59); it starts at the centre.
Point SecondHandEnd(const ClockGeometry& g, int n);

}  // namespace veltrane::builder
