// SPDX-License-Identifier: MIT
// Any text handed to the program-file reader gives a program or one error with a path; an
// accepted program keeps every value in the range a screen can hold: rectangles and the screen's
// sides inside what a screen addresses, 16-bit fields within 16 bits, date-time formats and
// point sizes within theirs.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "common/status_text.h"
#include "program_file/program_file.h"

namespace {

using namespace veltrane::cli;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool Within16Bits(int32_t value) { return value >= 0 && value <= 0xFFFF; }

void CheckFont(const Font& font) {
  Check(font.pointSize >= 1 && font.pointSize <= 1000 && font.color <= 0xFFFFFF);
}

void CheckArea(const Area& area) {
  const Rect& r = area.rect;
  Check(Within16Bits(r.left) && Within16Bits(r.top) && Within16Bits(r.right) &&
        Within16Bits(r.bottom));
  Check(Within16Bits(area.params.areaParam) && Within16Bits(area.params.paramA) &&
        Within16Bits(area.params.paramB));
  if (const auto* text = std::get_if<TextArea>(&area.content)) CheckFont(text->font);
  if (const auto* dateTime = std::get_if<DateTimeArea>(&area.content)) {
    Check(dateTime->dateTimeType >= 1 && dateTime->dateTimeType <= 10);
    CheckFont(dateTime->font);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  LooksLikeProgramFile(text);  // standard input is judged by its first bytes
  const auto result = ParseProgramFile(text, "/fuzz");
  if (!result) {
    Check(!StatusText(result.error()).empty());
    return 0;
  }
  const ProgramFile& program = *result;
  Check(Within16Bits(program.rootType) && Within16Bits(program.colorMode));
  if (program.screen)
    Check(program.screen->width >= 1 && Within16Bits(program.screen->width) &&
          program.screen->height >= 1 && Within16Bits(program.screen->height));
  for (const Page& page : program.pages)
    for (const Area& area : page.areas) CheckArea(area);
  return 0;
}
