// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "builder/program.h"
#include "builder/records.h"
#include "image/surface.h"

namespace veltrane::builder {

// The caller's values a window or text area carries.
struct WindowArea {
  AreaRect area;
  int32_t areaParam = 0;
  int32_t paramA = 0;
  int32_t paramB = 0;
};

// Writes the window record's fields before its picture (format::kWindowRasterAt bytes; text
// areas use the same record) through `fields`, the writer over the whole record. The record
// length is left for AppendArea.
void WriteWindowHeader(ByteWriter& fields, const WindowArea& area);

// What a window record's Write gives back, given what the encoder wrote of its picture: why a
// field did not fit, or the bytes written (0 when the picture did not fit).
Result<size_t> WindowRecordWritten(const ByteWriter& fields, int32_t rasterBytes);

// Adds a window area holding the `width` x `height` pixels at the top-left of the host's picture
// (black beyond its own size). Refused, nothing changed, when a side is negative or 65536 or
// more, or the packed picture would pass the raster size cap; and as AppendArea refuses.
Status AddWindow(Program& program, const WindowArea& fields, const image::PixelView& source,
                 int32_t width, int32_t height);

}  // namespace veltrane::builder
