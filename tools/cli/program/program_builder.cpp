// SPDX-License-Identifier: MIT
#include "program_builder.h"

#include <algorithm>
#include <variant>

#include "api/last_error.h"
#include "builder/clock_area.h"
#include "builder/date_time_area.h"
#include "builder/program.h"
#include "builder/string_area.h"
#include "builder/text_area.h"
#include "builder/window_area.h"
#include "common/status.h"
#include "common/status_text.h"
#include "format/packets.h"
#include "image/fit.h"
#include "image/png.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "raster/raster.h"
#include "shared/input_file.h"
#include "shared/refusal.h"

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

// Empty when the builder took the area or page, else why not.
std::string WhyNot(const Status& status) {
  return status == Status::Ok ? std::string() : api::Describe(status).text;
}

// Adds one area of each kind to a program; an empty string when it was added, else why not. A
// kind without its own call here does not compile. Texts are in the locale's code page, as the
// command received them.
class AreaAdder {
 public:
  AreaAdder(builder::Program& program, const Area& area, int32_t colorMode)
      : program_(program), area_(area), colorMode_(colorMode) {}

  std::string operator()(const TextArea& text) const {
    return WhyNot(builder::AddText(program_, WindowFields(area_),
                                   {text.font.pointSize, text.font.color}, text.text.c_str(),
                                   text.font.face.c_str(), encoding_));
  }

  std::string operator()(const StringArea& string) const {
    const builder::StringArea fields{ToAreaRect(area_.rect), area_.params.areaParam,
                                     string.stringParamA,    string.stringParamB,
                                     area_.params.paramA,    area_.params.paramB};
    return WhyNot(builder::AddString(program_, fields, string.text.c_str()));
  }

  std::string operator()(const ImageArea& image) const {
    auto png = tools::ReadPngInput(image.file);
    if (!png) return StatusText(png.error());
    image::RgbImage& picture = *png;
    // What the area holds: the picture at its own size, or cut or scaled to the area.
    const int32_t areaWidth = std::max(0, area_.rect.right - area_.rect.left);
    const int32_t areaHeight = std::max(0, area_.rect.bottom - area_.rect.top);
    int32_t width = picture.width, height = picture.height;
    if (image.fit == PictureFit::Crop) {
      width = std::min(width, areaWidth);
      height = std::min(height, areaHeight);
    } else if (image.fit == PictureFit::Scale) {
      // Checked before the scaled picture is made: an area may be far larger than any raster.
      if (const Status fits = raster::CheckRasterFits(areaWidth, areaHeight, colorMode_);
          fits != Status::Ok)
        return WhyNot(fits);
      picture = image::ScaleToFit(picture, areaWidth, areaHeight);
      width = areaWidth;
      height = areaHeight;
    }
    const std::vector<uint8_t> bgr = ToBgr(picture);
    const image::PixelView view{bgr.data(), picture.width, picture.height,
                                int64_t{picture.width} * 3, 3};
    return WhyNot(builder::AddWindow(program_, WindowFields(area_), view, width, height));
  }

  std::string operator()(const DateTimeArea& dateTime) const {
    const builder::GlyphFont font{dateTime.font.face.c_str(), dateTime.font.pointSize,
                                  dateTime.font.color};
    return WhyNot(builder::AddDateTime(program_, ToAreaRect(area_.rect), font,
                                       dateTime.dateTimeType, area_.params.areaParam, encoding_,
                                       platform::SystemClock()));
  }

  std::string operator()(const ClockArea& clock) const {
    const builder::ClockColors colors{clock.hourColor, clock.minuteColor, clock.secondColor,
                                      clock.markColor, clock.ringColor,   clock.faceColor};
    return WhyNot(
        builder::AddClock(program_, ToAreaRect(area_.rect), area_.params.areaParam, colors));
  }

 private:
  builder::Program& program_;
  const Area& area_;
  const int32_t colorMode_;
  const platform::TextEncoding encoding_;
};

}  // namespace

BuiltProgram BuildProgram(const ProgramFile& file) {
  // Held to what a screen accepts: an area that would take the program past it is refused by its
  // record length, before its record is allocated or its pictures drawn.
  builder::Program program(file.rootType, file.colorMode, format::kMaxProgramBytes);
  for (size_t p = 0; p < file.pages.size(); ++p) {
    const Page& page = file.pages[p];
    const std::string where = "pages[" + std::to_string(p) + "]";
    if (const std::string error = WhyNot(program.AddLeaf(page.pageParam)); !error.empty())
      return tools::Refusal(where + ": " + error);
    for (size_t a = 0; a < page.areas.size(); ++a) {
      const Area& area = page.areas[a];
      const std::string error = std::visit(AreaAdder(program, area, file.colorMode), area.content);
      if (!error.empty())
        return tools::Refusal(where + ".areas[" + std::to_string(a) + "]: " + error);
    }
  }
  return program.Bytes();
}

}  // namespace veltrane::cli
