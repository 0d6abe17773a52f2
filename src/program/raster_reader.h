// SPDX-License-Identifier: MIT
#pragma once

#include "program/read_context.h"

namespace veltrane::program {

// Reads the RasterImage at the start of `room` (which runs to the end of its area record) and
// checks its tag, its depth against the program's colorMode, its padding and its length.
bool ReadRaster(ReadContext& context, const Stretch& room, const Place& place, RasterView& out);

// What the owning record expects of its raster list.
struct ListRule {
  std::string_view item;   // what a raster is called in messages: "glyph", "picture"
  uint16_t count;          // how many rasters the owner has
  std::string_view owner;  // the owner in messages: "a clock"
};

// Reads the RasterList that fills `list` (from its header to the end of the area record): its
// tag, its length, its count against the rule, and the rasters, which must end exactly where
// the record ends.
bool ReadRasterList(ReadContext& context, const Stretch& list, const Place& place,
                    const ListRule& rule, RasterListView& out);

}  // namespace veltrane::program
