// SPDX-License-Identifier: MIT
#include "builder/text_area.h"

#include <string>

#include "platform/font.h"
#include "raster/text_picture.h"

namespace veltrane::builder {
namespace {

class TextItem final : public AreaItem {
 public:
  TextItem(const WindowArea& fields, const TextStyle& style, std::u32string text,
           platform::FontRequest font)
      : fields_(fields), style_(style), text_(std::move(text)), font_(std::move(font)) {}

  Result<size_t> RecordLength(uint16_t colorMode) override {
    if (Status drawn = raster::DrawTextPicture(text_, font_, style_.textColor, colorMode, drawn_);
        drawn != Status::Ok)
      return Failure(drawn);
    return format::kWindowRasterAt + static_cast<size_t>(drawn_.rasterBytes);
  }

  Result<size_t> Write(std::span<uint8_t> record, uint16_t colorMode) override {
    ByteWriter fields(record);
    WriteWindowHeader(fields, fields_);
    return WindowRecordWritten(
        fields,
        raster::EncodeTextPicture(record.subspan(format::kWindowRasterAt), drawn_, colorMode));
  }

 private:
  WindowArea fields_;
  TextStyle style_;
  std::u32string text_;
  platform::FontRequest font_;
  raster::TextPicture drawn_;
};

}  // namespace

platform::FontRequest FontRequestFor(const char* faceName, int32_t pointSize,
                                     const platform::TextEncoding& encoding) {
  size_t length = 0;
  while (length < kMaxFaceNameBytes && faceName[length] != '\0') ++length;
  return {platform::EncodeUtf8(encoding.Decode({faceName, length})),
          platform::FontHeightForPoints(pointSize)};
}

Status AddText(Program& program, const WindowArea& fields, const TextStyle& style, const char* text,
               const char* faceName, const platform::TextEncoding& encoding) {
  if (text == nullptr) return kNullText;
  if (faceName == nullptr) return kNullFaceName;
  std::u32string line = encoding.Decode(CutToTextBuffer(text));
  TextItem item(fields, style, std::move(line),
                FontRequestFor(faceName, style.pointSize, encoding));
  return program.AppendArea(item);
}

}  // namespace veltrane::builder
