#include "program_builder.h"

#include "builder/clock_area.h"
#include "builder/date_time_area.h"
#include "builder/program_slot.h"
#include "builder/string_area.h"
#include "builder/text_area.h"
#include "builder/window_area.h"
#include "common/busy_count.h"
#include "platform/clock.h"
#include "platform/png.h"
#include "platform/text_codec.h"

namespace veltrane::cli {
namespace {

builder::AreaRect ToAreaRect(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

builder::WindowArea WindowFields(const Area& area) {
  return {ToAreaRect(area.rect), area.params.areaParam, area.params.paramA, area.params.paramB};
}

// The PNG as the host-drawn picture a window area copies: blue, green, red bytes per pixel.
std::vector<uint8_t> ToBgr(const platform::RgbImage& image) {
  std::vector<uint8_t> bgr(image.rgb.size());
  for (size_t i = 0; i + 2 < image.rgb.size(); i += 3) {
    bgr[i] = image.rgb[i + 2];
    bgr[i + 1] = image.rgb[i + 1];
    bgr[i + 2] = image.rgb[i];
  }
  return bgr;
}

// Adds one area; an empty string when it was added, else why not. Texts are in the locale's code
// page, as the command received them.
std::string AddArea(builder::ProgramSlots& slots, int32_t slot, const Area& area) {
  const platform::TextEncoding encoding;
  const auto refused = [](const char* what) {
    return std::string(what) + " was refused (too large to pack, or no usable font)";
  };
  if (const auto* text = std::get_if<TextArea>(&area.content)) {
    return builder::AddText(slots, slot, WindowFields(area),
                            {text->font.pointSize, text->font.color}, text->text.c_str(),
                            text->font.face.c_str(), encoding) == 1
               ? ""
               : refused("the text area");
  }
  if (const auto* string = std::get_if<StringArea>(&area.content)) {
    const builder::StringArea fields{ToAreaRect(area.rect), area.params.areaParam,
                                     string->stringParamA,  string->stringParamB,
                                     area.params.paramA,    area.params.paramB};
    return builder::AddString(slots, slot, fields, string->text.c_str()) == 1
               ? ""
               : refused("the string area");
  }
  if (const auto* image = std::get_if<ImageArea>(&area.content)) {
    auto png = platform::ReadPngFile(image->file);
    if (auto* error = std::get_if<std::string>(&png)) return *error;
    const auto& picture = std::get<platform::RgbImage>(png);
    const std::vector<uint8_t> bgr = ToBgr(picture);
    const platform::PixelView view{bgr.data(), picture.width, picture.height,
                                   int64_t{picture.width} * 3, 3};
    return builder::AddWindow(slots, slot, WindowFields(area), view, picture.width,
                              picture.height) == 1
               ? ""
               : refused("the image area");
  }
  if (const auto* dateTime = std::get_if<DateTimeArea>(&area.content)) {
    const builder::GlyphFont font{dateTime->font.face.c_str(), dateTime->font.pointSize,
                                  dateTime->font.color};
    return builder::AddDateTime(slots, slot, ToAreaRect(area.rect), font, dateTime->dateTimeType,
                                area.params.areaParam, encoding, platform::SystemClock()) == 1
               ? ""
               : refused("the date-time area");
  }
  const auto& clock = std::get<ClockArea>(area.content);
  const builder::ClockColors colors{clock.hourColor, clock.minuteColor, clock.secondColor,
                                    clock.markColor, clock.ringColor,   clock.faceColor};
  return builder::AddClock(slots, slot, ToAreaRect(area.rect), area.params.areaParam, colors) == 1
             ? ""
             : refused("the clock area");
}

}  // namespace

BuiltProgram BuildProgram(const ProgramFile& file) {
  const BusyCount idle;  // the command sends nothing while it builds
  builder::ProgramSlots slots(idle);
  const int32_t slot = slots.MakeRoot(file.rootType, file.colorMode);
  if (slot == 0) return std::string("no free program slot");
  for (size_t p = 0; p < file.pages.size(); ++p) {
    const Page& page = file.pages[p];
    if (slots.AddLeaf(slot, page.pageParam) != 1)
      return "pages[" + std::to_string(p) + "]: the page was refused";
    for (size_t a = 0; a < page.areas.size(); ++a) {
      const std::string error = AddArea(slots, slot, page.areas[a]);
      if (!error.empty())
        return "pages[" + std::to_string(p) + "].areas[" + std::to_string(a) + "]: " + error;
    }
  }
  return slots.PeekProgram(slot).value_or(std::vector<uint8_t>{});
}

}  // namespace veltrane::cli
