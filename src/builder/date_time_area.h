#pragma once

#include <cstdint>

#include "builder/records.h"
#include "image/surface.h"

namespace veltrane::builder {

// The font of a date-time area's glyphs, as the caller names it.
struct GlyphFont {
  const char* faceName = nullptr;  // host text; only its first 255 bytes are used
  int32_t pointSize = 0;
  image::Color color = 0;
};

// Adds an area the screen fills with the date, time or weekday from its own clock: the glyphs
// that `dateTimeType` (1..10) needs, drawn in the caller's font, and the descriptor telling the
// screen what to show where. A type outside 1..10 adds an area without glyphs. Returns 1, or 0
// with nothing changed (bad slot, no page, a null face name, no usable font, or a glyph too
// large to pack).
int32_t AddDateTime(int32_t slot, const AreaRect& area, const GlyphFont& font, int32_t dateTimeType,
                    int32_t areaParam);

}  // namespace veltrane::builder
