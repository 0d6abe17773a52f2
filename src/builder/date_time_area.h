// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "builder/program.h"
#include "builder/records.h"
#include "image/surface.h"
#include "platform/clock.h"
#include "platform/text_codec.h"

namespace veltrane::builder {

// The font of a date-time area's glyphs, as the caller names it.
struct GlyphFont {
  const char* faceName = nullptr;  // host text; only its first 255 bytes are used
  int32_t pointSize = 0;
  image::Color color = 0;
};

// Adds an area the screen fills with the date, time or weekday from its own clock: the glyphs
// that `dateTimeType` (1..10) needs, drawn in the caller's font, and the descriptor telling the
// screen what to show where; the face name is in `encoding`, and the descriptor is chosen for the
// current year on `clock`. A type outside 1..10 adds an area without glyphs. Refused, nothing
// changed, for a null face name, no usable font, a glyph too large to pack, and as AppendArea
// refuses.
Status AddDateTime(Program& program, const AreaRect& area, const GlyphFont& font,
                   int32_t dateTimeType, int32_t areaParam, const platform::TextEncoding& encoding,
                   platform::Clock& clock);

}  // namespace veltrane::builder
