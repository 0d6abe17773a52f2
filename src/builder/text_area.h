// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "builder/program.h"
#include "builder/window_area.h"
#include "platform/font.h"
#include "platform/text_codec.h"

namespace veltrane::builder {

// Face names are read up to their zero byte or this many bytes, whichever comes first.
constexpr size_t kMaxFaceNameBytes = 255;

// The font a caller names: the face name (zero-terminated, in `encoding`, at most its first
// kMaxFaceNameBytes bytes read) in UTF-8, at `pointSize` points.
platform::FontRequest FontRequestFor(const char* faceName, int32_t pointSize,
                                     const platform::TextEncoding& encoding);

// The font and colour of a text area.
struct TextStyle {
  int32_t pointSize = 12;
  uint32_t textColor = 0;  // 0x00BBGGRR
};

// Adds a text area: `text` (zero-terminated, in the host's `encoding`, at most its first 2047
// bytes) drawn as one line in the face named by `faceName` (zero-terminated, same encoding) at
// `pointSize` points and 96 pixels per inch, in `textColor` on black, into a picture exactly as
// large as the text, stored as a window record. Refused, nothing changed, for a null text or face
// name, when no face can be found or not at that size, when the picture would reach 65536 pixels
// on a side or pass the raster size cap; and as AppendArea refuses.
Status AddText(Program& program, const WindowArea& fields, const TextStyle& style, const char* text,
               const char* faceName, const platform::TextEncoding& encoding);

}  // namespace veltrane::builder
