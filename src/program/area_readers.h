#pragma once

#include <string_view>

#include "program/read_context.h"

namespace veltrane::program {

// An area record kind: its tag, its name in messages and the shortest record it can have
// (its fixed fields and an empty raster, raster list or text).
struct AreaKind {
  uint16_t tag;
  std::string_view name;
  size_t minimumLength;
};

// The kind with this tag, or nullptr for a tag that is not an area record's.
const AreaKind* FindAreaKind(uint16_t tag);

// Reads and checks what follows the area header. `record` is exactly recordLength bytes long
// and at least kind.minimumLength.
bool ReadAreaContent(ReadContext& context, const Stretch& record, const AreaKind& kind,
                     const Place& place, AreaContent& out);

bool ReadDateTimeArea(ReadContext& context, const Stretch& record, const Place& place,
                      DateTimeArea& out);

}  // namespace veltrane::program
