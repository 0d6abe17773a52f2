#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "builder/clock_area.h"
#include "builder/date_time_area.h"
#include "builder/program_slot.h"
#include "builder/string_area.h"
#include "builder/text_area.h"
#include "builder/window_area.h"
#include "common/busy_count.h"
#include "platform/text_codec.h"
#include "support/fake_clock.h"

namespace veltrane::testing {

// A test's own program builder: 16 slots, a busy count, the host code page and a stepped clock,
// with the area calls as a host makes them.
class ProgramBench {
 public:
  BusyCount busy;
  builder::ProgramSlots slots{busy};
  platform::TextEncoding encoding;
  FakeClock clock;

  int32_t MakeRoot(int32_t rootType, int32_t colorMode) {
    return slots.MakeRoot(rootType, colorMode);
  }
  int32_t AddLeaf(int32_t slot, int32_t pageParam) { return slots.AddLeaf(slot, pageParam); }
  void ReleaseSlot(int32_t slot) { slots.ReleaseSlot(slot); }
  void ReleaseAllSlots() { slots.ReleaseAllSlots(); }
  std::optional<std::vector<uint8_t>> PeekProgram(int32_t slot) { return slots.PeekProgram(slot); }
  std::optional<std::vector<uint8_t>> TakeProgram(int32_t slot) { return slots.TakeProgram(slot); }

  int32_t AddString(int32_t slot, const builder::StringArea& fields, const char* text) {
    return builder::AddString(slots, slot, fields, text);
  }
  int32_t AddClock(int32_t slot, const builder::AreaRect& area, int32_t areaParam,
                   const builder::ClockColors& colors) {
    return builder::AddClock(slots, slot, area, areaParam, colors);
  }
  int32_t AddWindow(int32_t slot, const builder::WindowArea& fields, const image::PixelView& source,
                    int32_t width, int32_t height) {
    return builder::AddWindow(slots, slot, fields, source, width, height);
  }
  int32_t AddText(int32_t slot, const builder::WindowArea& fields, const builder::TextStyle& style,
                  const char* text, const char* faceName) {
    return builder::AddText(slots, slot, fields, style, text, faceName, encoding);
  }
  int32_t AddDateTime(int32_t slot, const builder::AreaRect& area, const builder::GlyphFont& font,
                      int32_t dateTimeType, int32_t areaParam) {
    return builder::AddDateTime(slots, slot, area, font, dateTimeType, areaParam, encoding, clock);
  }
};

}  // namespace veltrane::testing
