#include "builder/date_time_area.h"

#include <optional>
#include <string>
#include <vector>

#include "builder/date_time_format.h"
#include "builder/program_slot.h"
#include "builder/text_area.h"
#include "common/byte_writer.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "raster/raster.h"
#include "raster/text_picture.h"

namespace veltrane::builder {
namespace {

constexpr size_t kDescriptorOffset = 20;
constexpr size_t kRasterListOffset = 52;
constexpr size_t kGlyphsOffset = 60;
// The built-in glyph texts are GBK byte strings.
constexpr std::string_view kGlyphCharset = "GBK";

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

  size_t RecordLength(uint16_t colorMode) override {
    const platform::FontRequest request =
        FontRequestFor(font_.faceName, font_.pointSize, encoding_);
    size_t length = kGlyphsOffset;
    for (std::string_view text : GlyphTextsFor(type_)) {
      std::optional<raster::TextPicture> glyph = raster::DrawTextPicture(
          platform::DecodeText(text, kGlyphCharset), request, font_.color, colorMode);
      if (!glyph) return 0;  // one glyph that cannot be packed refuses the whole area
      length += static_cast<size_t>(glyph->rasterBytes);
      glyphs_.push_back(std::move(*glyph));
    }
    return length;
  }

  void Write(std::span<uint8_t> record, uint16_t colorMode) override {
    ByteWriter out(record);
    WriteAreaHeader(out, program::kDateTimeTag, areaParam_, area_);
    const FormatDescriptor descriptor = DescriptorFor(type_, clock_.Local().year);
    ByteWriter(record.subspan(kDescriptorOffset)).Bytes(descriptor);
    raster::WriteRasterList(record.subspan(kRasterListOffset),
                            {static_cast<uint16_t>(glyphs_.size()),
                             static_cast<uint32_t>(record.size() - kRasterListOffset)});
    size_t position = kGlyphsOffset;
    for (const raster::TextPicture& glyph : glyphs_) {
      position += static_cast<size_t>(
          raster::EncodeTextPicture(record.subspan(position), glyph, colorMode));
    }
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

int32_t AddDateTime(ProgramSlots& slots, int32_t slot, const AreaRect& area, const GlyphFont& font,
                    int32_t dateTimeType, int32_t areaParam, const platform::TextEncoding& encoding,
                    platform::Clock& clock) {
  if (font.faceName == nullptr) return 0;
  DateTimeItem item(area, font, dateTimeType, areaParam, encoding, clock);
  return slots.AppendArea(slot, item);
}

}  // namespace veltrane::builder
