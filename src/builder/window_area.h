#pragma once

#include <cstdint>

#include "builder/program_slot.h"
#include "builder/records.h"
#include "platform/surface.h"

namespace veltrane::builder {

// A window area's record: the area header, paramA and paramB, 8 reserved bytes, then the picture
// as one RasterImage. Text areas use the same record.
constexpr size_t kWindowHeaderBytes = 28;

// The caller's values a window or text area carries.
struct WindowArea {
  AreaRect area;
  int32_t areaParam = 0;
  int32_t paramA = 0;
  int32_t paramB = 0;
};

// Writes the 28 bytes before the picture. The record length is left for AppendArea.
void WriteWindowHeader(ByteWriter& out, const WindowArea& fields);

// Adds a window area holding the `width` x `height` pixels at the top-left of the host's picture
// (black beyond its own size). Refused with 0, nothing changed, when a side is negative or 65536
// or more, or the packed picture would pass the raster size cap; and as AppendArea refuses.
int32_t AddWindow(ProgramSlots& slots, int32_t slot, const WindowArea& fields,
                  const platform::PixelView& source, int32_t width, int32_t height);

}  // namespace veltrane::builder
