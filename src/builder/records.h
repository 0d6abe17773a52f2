// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/byte_writer.h"
#include "common/result.h"
#include "common/status.h"
#include "format/records.h"

namespace veltrane::builder {

// An area's rectangle as the caller gave it; records keep the low 16 bits of each side.
struct AreaRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// Texts are copied into a working buffer of this size; longer ones are cut to fit with their
// terminating zero byte.
constexpr size_t kTextBufferBytes = format::kMaxStringTextBytes + 1;

// What a null text or face name is refused with.
constexpr Status kNullText{Status::BadArgument, "the text is a null pointer"};
constexpr Status kNullFaceName{Status::BadArgument, "the face name is a null pointer"};

// The caller's zero-terminated text as the working buffer holds it: at most
// kTextBufferBytes - 1 bytes, reading no byte past the terminator.
inline std::string_view CutToTextBuffer(const char* text) {
  size_t length = 0;
  while (length < kTextBufferBytes - 1 && text[length] != '\0') ++length;
  return {text, length};
}

// Writes the area header through `fields`, the writer over the whole record, so that a header
// past the record's end fails the writer and the item reports it. The record length is left 0:
// AppendArea fills it in.
inline bool WriteAreaHeader(ByteWriter& fields, uint16_t tag, int32_t areaParam,
                            const AreaRect& area) {
  return fields.U16At(format::kTagAt, tag) &&
         fields.U16At(format::kAreaParamAt, static_cast<uint16_t>(areaParam)) &&
         fields.U16At(format::kAreaLeftAt, static_cast<uint16_t>(area.left)) &&
         fields.U16At(format::kAreaTopAt, static_cast<uint16_t>(area.top)) &&
         fields.U16At(format::kAreaRightAt, static_cast<uint16_t>(area.right)) &&
         fields.U16At(format::kAreaBottomAt, static_cast<uint16_t>(area.bottom));
}

// What an item's Write gives back once its fields are written: `written` bytes, or why a field
// did not fit.
inline Result<size_t> Written(const ByteWriter& fields, size_t written) {
  if (!fields.ok()) return Failure(fields.failure());
  return written;
}

}  // namespace veltrane::builder
