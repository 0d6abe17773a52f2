#include "builder/string_area.h"

#include <string_view>

#include "builder/program_slot.h"
#include "common/byte_writer.h"

namespace veltrane::builder {
namespace {

constexpr size_t kStringHeaderBytes = 36;

class StringItem final : public AreaItem {
 public:
  StringItem(const StringArea& fields, std::string_view text) : fields_(fields), text_(text) {}

  size_t RecordLength(uint16_t) override {
    // The text, its zero byte, and zero fill up to a multiple of four.
    return kStringHeaderBytes + ((text_.size() + 1 + 3) & ~size_t{3});
  }

  void Write(std::span<uint8_t> record, uint16_t) override {
    ByteWriter out(record);
    WriteAreaHeader(out, program::kStringTag, fields_.areaParam, fields_.area);
    out.U16(static_cast<uint16_t>(fields_.paramA));
    out.U16(static_cast<uint16_t>(fields_.paramB));
    out.Zeros(8);
    out.U32(static_cast<uint32_t>(fields_.stringParamB));  // the later argument comes first
    out.U32(static_cast<uint32_t>(fields_.stringParamA));
    out.Bytes({reinterpret_cast<const uint8_t*>(text_.data()), text_.size()});
  }

 private:
  StringArea fields_;
  std::string_view text_;
};

}  // namespace

int32_t AddString(ProgramSlots& slots, int32_t slot, const StringArea& fields, const char* text) {
  if (text == nullptr) return 0;
  StringItem item(fields, CutToTextBuffer(text));
  return slots.AppendArea(slot, item);
}

}  // namespace veltrane::builder
