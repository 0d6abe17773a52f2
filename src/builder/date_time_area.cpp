// SPDX-License-Identifier: MIT
#include "builder/date_time_area.h"

#include <string>
#include <vector>

#include "builder/program.h"
#include "builder/text_area.h"
#include "format/date_time.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "raster/raster.h"
#include "raster/text_picture.h"

namespace veltrane::builder {
namespace {

class DateTimeItem final : public AreaItem {
 public:
  DateTimeItem(const AreaRect& area, const GlyphFont& font, int32_t dateTimeType, int32_t areaParam,
               const platform::TextEncoding& encoding, platform::Clock& clock)
      : area_(area),
        font_(font),
        type_(dateTimeType),
        areaParam_(areaParam),
        encoding_(encoding),
        clock_(clock) {}

  Result<size_t> RecordLength(uint16_t colorMode) override {
    const platform::FontRequest request =
        FontRequestFor(font_.faceName, font_.pointSize, encoding_);
    size_t length = format::kDateTimeGlyphsAt;
    for (std::string_view text : format::DateTimeTypeFor(type_).glyphs) {
      raster::TextPicture glyph;
      // One glyph that cannot be packed refuses the whole area.
      if (Status drawn = raster::DrawTextPicture(platform::DecodeText(text, format::kGlyphCharset),
                                                 request, font_.color, colorMode, glyph);
          drawn != Status::Ok)
        return Failure(drawn);
      length += static_cast<size_t>(glyph.rasterBytes);
      glyphs_.push_back(std::move(glyph));
    }
    return length;
  }

  Result<size_t> Write(std::span<uint8_t> record, uint16_t colorMode) override {
    ByteWriter fields(record);
    WriteAreaHeader(fields, format::kDateTimeTag, areaParam_, area_);
    const format::Descriptor descriptor =
        format::DescriptorFor(format::DateTimeTypeFor(type_), clock_.Local().year);
    fields.BytesAt(format::kDescriptorAt, descriptor);
    if (!fields.ok()) return Failure(fields.failure());
    const bool headed =
        raster::WriteRasterList(record.subspan(format::kDateTimeListAt),
                                {static_cast<uint16_t>(glyphs_.size()),
                                 static_cast<uint32_t>(record.size() - format::kDateTimeListAt)});
    if (!headed) return 0;
    size_t position = format::kDateTimeGlyphsAt;
    for (const raster::TextPicture& glyph : glyphs_) {
      const int32_t written = raster::EncodeTextPicture(record.subspan(position), glyph, colorMode);
      if (written == 0) return 0;
      position += static_cast<size_t>(written);
    }
    return position;
  }

 private:
  AreaRect area_;
  GlyphFont font_;
  int32_t type_;
  int32_t areaParam_;
  const platform::TextEncoding& encoding_;
  platform::Clock& clock_;
  std::vector<raster::TextPicture> glyphs_;  // drawn while sizing, packed while writing
};

}  // namespace

Status AddDateTime(Program& program, const AreaRect& area, const GlyphFont& font,
                   int32_t dateTimeType, int32_t areaParam, const platform::TextEncoding& encoding,
                   platform::Clock& clock) {
  if (font.faceName == nullptr) return kNullFaceName;
  DateTimeItem item(area, font, dateTimeType, areaParam, encoding, clock);
  return program.AppendArea(item);
}

}  // namespace veltrane::builder
