#include "builder/text_area.h"

#include <optional>
#include <string>

#include "builder/program_slot.h"
#include "platform/font.h"
#include "platform/text_codec.h"
#include "raster/text_picture.h"

namespace veltrane::builder {
namespace {

class TextItem final : public AreaItem {
 public:
  TextItem(const WindowArea& fields, const TextStyle& style, std::u32string text,
           platform::FontRequest font)
      : fields_(fields), style_(style), text_(std::move(text)), font_(std::move(font)) {}

  size_t RecordLength(uint16_t colorMode) override {
    drawn_ = raster::DrawTextPicture(text_, font_, style_.textColor, colorMode);
    if (!drawn_) return 0;
    return format::kWindowRasterAt + static_cast<size_t>(drawn_->rasterBytes);
  }

  size_t Write(std::span<uint8_t> record, uint16_t colorMode) override {
    WriteWindowHeader(record, fields_);
    return WindowRecordWritten(
        raster::EncodeTextPicture(record.subspan(format::kWindowRasterAt), *drawn_, colorMode));
  }

 private:
  WindowArea fields_;
  TextStyle style_;
  std::u32string text_;
  platform::FontRequest font_;
  std::optional<raster::TextPicture> drawn_;
};

}  // namespace

platform::FontRequest FontRequestFor(const char* faceName, int32_t pointSize) {
  size_t length = 0;
  while (length < kMaxFaceNameBytes && faceName[length] != '\0') ++length;
  return {platform::EncodeUtf8(platform::DecodeHostText({faceName, length})),
          platform::FontHeightForPoints(pointSize)};
}

int32_t AddText(int32_t slot, const WindowArea& fields, const TextStyle& style, const char* text,
                const char* faceName) {
  if (text == nullptr || faceName == nullptr) return 0;
  // The text and the name are taken from the caller before the build lock, as the caller's
  // bytes in the host code page.
  std::u32string line = platform::DecodeHostText(CutToTextBuffer(text));
  TextItem item(fields, style, std::move(line), FontRequestFor(faceName, style.pointSize));
  return AppendArea(slot, item);
}

}  // namespace veltrane::builder
