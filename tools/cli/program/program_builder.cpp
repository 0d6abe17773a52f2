#include "program_builder.h"

#include <variant>

#include "builder/clock_area.h"
#include "builder/date_time_area.h"
#include "builder/program_slot.h"
#include "builder/string_area.h"
#include "builder/text_area.h"
#include "builder/window_area.h"
#include "common/busy_count.h"
#include "format/packets.h"
#include "image/png.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "shared/input_file.h"

namespace veltrane::cli {
namespace {

builder::AreaRect ToAreaRect(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

builder::WindowArea WindowFields(const Area& area) {
  return {ToAreaRect(area.rect), area.params.areaParam, area.params.paramA, area.params.paramB};
}

// The PNG as the host-drawn picture a window area copies: blue, green, red bytes per pixel.
std::vector<uint8_t> ToBgr(const image::RgbImage& image) {
  std::vector<uint8_t> bgr(image.rgb.size());
  for (size_t i = 0; i + 2 < image.rgb.size(); i += 3) {
    bgr[i] = image.rgb[i + 2];
    bgr[i + 1] = image.rgb[i + 1];
    bgr[i + 2] = image.rgb[i];
  }
  return bgr;
}

std::string Refused(const char* what) {
  return std::string(what) + " was refused (too large to pack, or no usable font)";
}

// Adds one area of each kind to a slot; an empty string when it was added, else why not. A kind
// without its own call here does not compile. Texts are in the locale's code page, as the command
// received them.
class AreaAdder {
 public:
  AreaAdder(builder::ProgramSlots& slots, int32_t slot, const Area& area)
      : slots_(slots), slot_(slot), area_(area) {}

  std::string operator()(const TextArea& text) const {
    return builder::AddText(slots_, slot_, WindowFields(area_),
                            {text.font.pointSize, text.font.color}, text.text.c_str(),
                            text.font.face.c_str(), encoding_) == 1
               ? ""
               : Refused("the text area");
  }

  std::string operator()(const StringArea& string) const {
    const builder::StringArea fields{ToAreaRect(area_.rect), area_.params.areaParam,
                                     string.stringParamA,    string.stringParamB,
                                     area_.params.paramA,    area_.params.paramB};
    return builder::AddString(slots_, slot_, fields, string.text.c_str()) == 1
               ? ""
               : Refused("the string area");
  }

  std::string operator()(const ImageArea& image) const {
    auto png = tools::ReadPngInput(image.file);
    if (auto* error = std::get_if<std::string>(&png)) return *error;
    const auto& picture = std::get<image::RgbImage>(png);
    const std::vector<uint8_t> bgr = ToBgr(picture);
    const image::PixelView view{bgr.data(), picture.width, picture.height,
                                int64_t{picture.width} * 3, 3};
    return builder::AddWindow(slots_, slot_, WindowFields(area_), view, picture.width,
                              picture.height) == 1
               ? ""
               : Refused("the image area");
  }

  std::string operator()(const DateTimeArea& dateTime) const {
    const builder::GlyphFont font{dateTime.font.face.c_str(), dateTime.font.pointSize,
                                  dateTime.font.color};
    return builder::AddDateTime(slots_, slot_, ToAreaRect(area_.rect), font, dateTime.dateTimeType,
                                area_.params.areaParam, encoding_, platform::SystemClock()) == 1
               ? ""
               : Refused("the date-time area");
  }

  std::string operator()(const ClockArea& clock) const {
    const builder::ClockColors colors{clock.hourColor, clock.minuteColor, clock.secondColor,
                                      clock.markColor, clock.ringColor,   clock.faceColor};
    return builder::AddClock(slots_, slot_, ToAreaRect(area_.rect), area_.params.areaParam,
                             colors) == 1
               ? ""
               : Refused("the clock area");
  }

 private:
  builder::ProgramSlots& slots_;
  int32_t slot_;
  const Area& area_;
  const platform::TextEncoding encoding_;
};

// Why an area was not added: past the size a screen accepts, which the slots check before the
// area's record is allocated (so a program of huge clocks costs nothing), or the area's own reason.
std::string WhyNotAdded(builder::ProgramSlots& slots, int32_t slot, const std::string& reason) {
  const size_t wanted = slots.LengthPastCeiling(slot);
  if (wanted == 0) return reason;
  return "this takes the program to " + std::to_string(wanted) + " bytes, past the " +
         std::to_string(format::kMaxProgramBytes) + " bytes a screen accepts";
}

}  // namespace

BuiltProgram BuildProgram(const ProgramFile& file) {
  const BusyCount idle;  // the command sends nothing while it builds
  builder::ProgramSlots slots(idle, format::kMaxProgramBytes);
  const int32_t slot = slots.MakeRoot(file.rootType, file.colorMode);
  if (slot == 0) return std::string("no free program slot");
  for (size_t p = 0; p < file.pages.size(); ++p) {
    const Page& page = file.pages[p];
    if (slots.AddLeaf(slot, page.pageParam) != 1)
      return "pages[" + std::to_string(p) +
             "]: " + WhyNotAdded(slots, slot, "the page was refused");
    for (size_t a = 0; a < page.areas.size(); ++a) {
      const Area& area = page.areas[a];
      const std::string error = std::visit(AreaAdder(slots, slot, area), area.content);
      if (!error.empty())
        return "pages[" + std::to_string(p) + "].areas[" + std::to_string(a) +
               "]: " + WhyNotAdded(slots, slot, error);
    }
  }
  return slots.PeekProgram(slot).value_or(std::vector<uint8_t>{});
}

}  // namespace veltrane::cli
