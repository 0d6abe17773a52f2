// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "builder/clock_area.h"
#include "builder/date_time_area.h"
#include "builder/program.h"
#include "builder/string_area.h"
#include "builder/text_area.h"
#include "builder/window_area.h"
#include "common/status.h"
#include "platform/text_codec.h"
#include "support/fake_clock.h"
#include "support/status_print.h"

namespace veltrane::testing {

// A test's own program builder: a program of its own, the host code page and a stepped clock,
// with the area calls as a host makes them.
class ProgramBench {
 public:
  builder::Program program{1, 1};
  platform::TextEncoding encoding;
  FakeClock clock;

  // Starts a new program, dropping the one before.
  void NewProgram(int32_t rootType, int32_t colorMode) {
    program = builder::Program(rootType, colorMode);
  }
  // Starts a new program with one page.
  Status NewPage(int32_t colorMode) {
    NewProgram(1, colorMode);
    return program.AddLeaf(0);
  }
  Status AddLeaf(int32_t pageParam) { return program.AddLeaf(pageParam); }
  std::vector<uint8_t> Block() const { return program.Bytes(); }

  Status AddString(const builder::StringArea& fields, const char* text) {
    return builder::AddString(program, fields, text);
  }
  Status AddClock(const builder::AreaRect& area, int32_t areaParam,
                  const builder::ClockColors& colors) {
    return builder::AddClock(program, area, areaParam, colors);
  }
  Status AddWindow(const builder::WindowArea& fields, const image::PixelView& source, int32_t width,
                   int32_t height) {
    return builder::AddWindow(program, fields, source, width, height);
  }
  Status AddText(const builder::WindowArea& fields, const builder::TextStyle& style,
                 const char* text, const char* faceName) {
    return builder::AddText(program, fields, style, text, faceName, encoding);
  }
  Status AddDateTime(const builder::AreaRect& area, const builder::GlyphFont& font,
                     int32_t dateTimeType, int32_t areaParam) {
    return builder::AddDateTime(program, area, font, dateTimeType, areaParam, encoding, clock);
  }
};

}  // namespace veltrane::testing
