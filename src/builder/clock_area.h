// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "builder/program.h"
#include "builder/records.h"
#include "image/surface.h"

namespace veltrane::builder {

// The colours of an analog clock's parts.
struct ClockColors {
  image::Color hour = 0;
  image::Color minute = 0;
  image::Color second = 0;
  image::Color mark = 0;
  image::Color ring = 0;
  image::Color face = 0;
};

// Adds an analog clock the screen runs from its own time: the face and every position of the
// three hands, pre-drawn as square pictures the size of the area's smaller side. Refused, nothing
// changed, for an area whose right or bottom lies before its left or top, for pictures too large
// to pack, and as AppendArea refuses.
Status AddClock(Program& program, const AreaRect& area, int32_t areaParam,
                const ClockColors& colors);

}  // namespace veltrane::builder
