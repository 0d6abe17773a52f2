// SPDX-License-Identifier: MIT
// Any text given as --time or --at is read into a time whose fields are in range and which prints
// back as the text, or is refused; nothing else happens.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shared/time_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  using veltrane::tools::DateTimeText;
  if (const auto time = veltrane::tools::ParseDateTime(text)) {
    if (DateTimeText(*time) != text || time->dayOfWeek > 6) std::abort();
  }
  if (const auto time = veltrane::tools::ParseTimeOfDay(text, {})) {
    if (time->hour > 23 || time->minute > 59 || time->second > 59) std::abort();
  }
  return 0;
}
