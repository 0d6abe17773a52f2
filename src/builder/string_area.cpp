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

  Result<size_t> RecordLength(uint16_t) override {
    return format::kStringTextAt + format::PaddedTextSize(text_.size());
  }

  Result<size_t> Write(std::span<uint8_t> record, uint16_t) override {
    using namespace format;
    ByteWriter fields(record);
    WriteAreaHeader(fields, kStringTag, fields_.areaParam, fields_.area);
    fields.U16At(kStringParamAAt, static_cast<uint16_t>(fields_.paramA));
    fields.U16At(kStringParamBAt, static_cast<uint16_t>(fields_.paramB));
    // The later argument comes first.
    fields.U32At(kStringStringParamBAt, static_cast<uint32_t>(fields_.stringParamB));
    fields.U32At(kStringStringParamAAt, static_cast<uint32_t>(fields_.stringParamA));
    fields.BytesAt(kStringTextAt, {reinterpret_cast<const uint8_t*>(text_.data()), text_.size()});
    // The zero byte and the fill are already there: the record comes zeroed.
    return Written(fields, kStringTextAt + PaddedTextSize(text_.size()));
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
