// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "builder/program.h"
#include "builder/records.h"

namespace veltrane::builder {

// The caller's values a string area carries, as the export receives them.
struct StringArea {
  AreaRect area;
  int32_t areaParam = 0;
  int32_t stringParamA = 0;
  int32_t stringParamB = 0;
  int32_t paramA = 0;
  int32_t paramB = 0;
};

// Adds a string area (the text itself, for the screen to render) to the program's current page.
// `text` is zero-terminated; a null text is refused, and the area as AppendArea refuses.
Status AddString(Program& program, const StringArea& fields, const char* text);

}  // namespace veltrane::builder
