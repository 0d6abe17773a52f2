// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/surface.h"

namespace veltrane::platform {

// Text is laid out at this many logical pixels per inch, as on a usual Windows display.
constexpr int32_t kLogicalDpi = 96;

// The Windows font height for a point size: −MulDiv(pointSize, 96, 72), a negative height
// that asks for the character height (12 points give −16).
int32_t FontHeightForPoints(int32_t pointSize);

// A font as the host names it.
struct FontRequest {
  // The family, in UTF-8. Fontconfig finds the installed face that matches it best, at normal
  // weight and upright; a family that is not installed (or an empty name) gets fontconfig's
  // substitute for it, in the end its default sans-serif family.
  std::string faceName;
  // As for Windows fonts: below 0, the character height (the em) in pixels; above 0, the cell
  // height (ascent + descent) in pixels; 0, the default of 16 pixels per em.
  int32_t height = 0;
};

// Characters that the chosen face lacks are drawn from the first face in fontconfig's fallback
// order for the request that has them (so CJK text in a Latin face still shows), at the same
// size and on the same baseline; a character that no installed face has is drawn as the chosen
// face's missing-character glyph. The line's height is always the chosen face's.

// The extent of a line of text: the sum of its characters' advance widths, and the chosen
// face's line height (ascent + descent), in pixels.
struct TextExtent {
  int32_t width = 0;
  int32_t height = 0;
  friend bool operator==(const TextExtent&, const TextExtent&) = default;
};

// Measures `text` as one line (line breaks are characters like any other). Nothing when no
// face can be found or the size is beyond what the font engine renders (more than 65535
// pixels per em).
std::optional<TextExtent> MeasureTextLine(std::u32string_view text, const FontRequest& font);

// Draws `text` as one line in `color` on black, each glyph at its place on the baseline, with
// monochrome hinted rendering so that strokes fall on whole pixels. The picture is exactly
// MeasureTextLine's extent, so callers measure first and decide whether to draw at all.
std::optional<image::Surface> DrawTextLine(std::u32string_view text, const FontRequest& font,
                                           image::Color color);

// The family of the face that draws `character` for `font` (empty when no face can be found),
// for diagnostics and tests.
std::string FontFamilyFor(const FontRequest& font, char32_t character);

// The family of the face a request resolves to: the chosen face, whose line height every text
// takes and which draws every character it has. It differs from the request's name when that
// face is not installed and another was substituted. Empty when no face can be found.
std::string ResolvedFamily(const FontRequest& font);

}  // namespace veltrane::platform
