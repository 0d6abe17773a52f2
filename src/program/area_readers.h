// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

#include "program/read_context.h"

namespace veltrane::program {

// An area record kind: its tag, its name in messages, the shortest record it can have (its fixed
// fields and an empty raster, raster list or text) and the reader of what follows its header.
struct AreaKind {
  uint16_t tag;
  std::string_view name;
  size_t minimumLength;
  bool (*read)(ReadContext& context, const Stretch& record, const Place& place, AreaContent& out);
};

// The kind with this tag, or nullptr for a tag that is not an area record's.
const AreaKind* FindAreaKind(uint16_t tag);

bool ReadDateTimeArea(ReadContext& context, const Stretch& record, const Place& place,
                      DateTimeArea& out);

}  // namespace veltrane::program
