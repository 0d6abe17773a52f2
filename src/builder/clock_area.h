#pragma once

#include <cstdint>

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
// three hands, pre-drawn as square pictures the size of the area's smaller side. Returns 1, or 0
// with nothing changed (bad slot, no page, an area whose right or bottom lies before its left or
// top, or pictures too large to pack).
int32_t AddClock(int32_t slot, const AreaRect& area, int32_t areaParam, const ClockColors& colors);

}  // namespace veltrane::builder
