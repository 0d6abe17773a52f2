#include "builder/date_time_area.h"

#include <optional>
#include <string>
#include <vector>

#include "builder/date_time_format.h"
#include "builder/program_slot.h"
#include "common/byte_writer.h"
#include "platform/clock.h"
#include "platform/font.h"
#include "platform/text_codec.h"
#include "raster/raster.h"

namespace veltrane::builder {
namespace {

constexpr size_t kFaceNameBufferBytes = 256;
constexpr size_t kDescriptorOffset = 20;
constexpr size_t kRasterListOffset = 52;
constexpr size_t kGlyphsOffset = 60;
// The built-in glyph texts are GBK byte strings.
constexpr std::string_view kGlyphCharset = "GBK";

// The caller's face name as the font lookup wants it: cut to the 255 bytes a face name may hold,
// decoded from the host's code page, in UTF-8.
std::string FaceNameFor(const char* faceName) {
  size_t length = 0;
  while (length < kFaceNameBufferBytes - 1 && faceName[length] != '\0') ++length;
  return platform::EncodeUtf8(platform::DecodeHostText({faceName, length}));
}

class DateTimeItem final : public AreaItem {
 public:
  DateTimeItem(const AreaRect& area, const GlyphFont& font, int32_t dateTimeType,
               int32_t areaParam)
      : area_(area), font_(font), type_(dateTimeType), areaParam_(areaParam) {}

  size_t RecordLength(uint16_t colorMode) override {
    const platform::FontRequest request{FaceNameFor(font_.faceName),
                                        platform::FontHeightForPoints(font_.pointSize)};
    // Every glyph is measured before any is drawn, so that an area that cannot be packed is
    // refused cheaply.
    std::vector<std::u32string> texts;
    size_t length = kGlyphsOffset;
    for (std::string_view text : GlyphTextsFor(type_)) {
      texts.push_back(platform::DecodeText(text, kGlyphCharset));
      const std::optional<platform::TextExtent> extent =
          platform::MeasureTextLine(texts.back(), request);
      if (!extent || extent->width > 0xFFFF || extent->height > 0xFFFF) return 0;
      const int32_t size = raster::RasterSize(extent->width, extent->height, colorMode);
      if (size == 0) return 0;  // one glyph that cannot be packed refuses the whole area
      length += static_cast<size_t>(size);
    }
    for (const std::u32string& text : texts) {
      std::optional<platform::Surface> glyph = platform::DrawTextLine(text, request, font_.color);
      if (!glyph) return 0;
      glyphs_.push_back(std::move(*glyph));
    }
    return length;
  }

  void Write(std::span<uint8_t> record, uint16_t colorMode) override {
    ByteWriter out(record);
    WriteAreaHeader(out, kTagDateTime, areaParam_, area_);
    const FormatDescriptor descriptor = DescriptorFor(type_, platform::CurrentClock().Local().year);
    ByteWriter(record.subspan(kDescriptorOffset)).Bytes(descriptor);
    raster::WriteRasterList(record.subspan(kRasterListOffset),
                            {static_cast<uint16_t>(glyphs_.size()),
                             static_cast<uint32_t>(record.size() - kRasterListOffset)});
    size_t position = kGlyphsOffset;
    for (const platform::Surface& glyph : glyphs_) {
      position += static_cast<size_t>(raster::EncodeRaster(
          record.subspan(position), glyph, glyph.width(), glyph.height(), colorMode));
    }
  }

 private:
  AreaRect area_;
  GlyphFont font_;
  int32_t type_;
  int32_t areaParam_;
  std::vector<platform::Surface> glyphs_;  // drawn while sizing, packed while writing
};

}  // namespace

int32_t AddDateTime(int32_t slot, const AreaRect& area, const GlyphFont& font,
                    int32_t dateTimeType, int32_t areaParam) {
  if (font.faceName == nullptr) return 0;
  DateTimeItem item(area, font, dateTimeType, areaParam);
  return AppendArea(slot, item);
}

}  // namespace veltrane::builder
