// SPDX-License-Identifier: MIT
#include "builder/string_area.h"

#include <string_view>

#include "builder/program.h"
#include "builder/records.h"

namespace veltrane::builder {
namespace {

class StringItem final : public AreaItem {
 public:
  StringItem(const StringArea& fields, std::string_view text) : fields_(fields), text_(text) {}

  Status RecordLength(uint16_t, size_t& length) override {
    length = format::kStringTextAt + format::PaddedTextSize(text_.size());
    return Status::Ok;
  }

  size_t Write(std::span<uint8_t> record, uint16_t) override {
    using namespace format;
    WriteAreaHeader(record, kStringTag, fields_.areaParam, fields_.area);
    WriteU16(record, kStringParamAAt, static_cast<uint16_t>(fields_.paramA));
    WriteU16(record, kStringParamBAt, static_cast<uint16_t>(fields_.paramB));
    // The later argument comes first.
    WriteU32(record, kStringStringParamBAt, static_cast<uint32_t>(fields_.stringParamB));
    WriteU32(record, kStringStringParamAAt, static_cast<uint32_t>(fields_.stringParamA));
    if (!ByteWriter(record.subspan(kStringTextAt))
             .Bytes({reinterpret_cast<const uint8_t*>(text_.data()), text_.size()})) {
      return 0;
    }
    // The zero byte and the fill are already there: the record comes zeroed.
    return kStringTextAt + PaddedTextSize(text_.size());
  }

 private:
  StringArea fields_;
  std::string_view text_;
};

}  // namespace

Status AddString(Program& program, const StringArea& fields, const char* text) {
  if (text == nullptr) return kNullText;
  StringItem item(fields, CutToTextBuffer(text));
  return program.AppendArea(item);
}

}  // namespace veltrane::builder
