// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/byte_reader.h"
#include "common/byte_writer.h"
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

// Field access at a record offset. Records are allocated at their full length before any field
// is written, so an offset past the end is a builder bug; such a write writes nothing.
inline uint16_t ReadU16(std::span<const uint8_t> record, size_t offset) {
  return ByteReader(record).U16(offset).value_or(0);
}
inline uint32_t ReadU32(std::span<const uint8_t> record, size_t offset) {
  return ByteReader(record).U32(offset).value_or(0);
}
inline void WriteU16(std::span<uint8_t> record, size_t offset, uint16_t value) {
  if (offset <= record.size()) ByteWriter(record.subspan(offset)).U16(value);
}
inline void WriteU32(std::span<uint8_t> record, size_t offset, uint32_t value) {
  if (offset <= record.size()) ByteWriter(record.subspan(offset)).U32(value);
}

// Writes the area header. The record length is left 0: AppendArea fills it in.
inline void WriteAreaHeader(std::span<uint8_t> record, uint16_t tag, int32_t areaParam,
                            const AreaRect& area) {
  WriteU16(record, format::kTagAt, tag);
  WriteU16(record, format::kAreaParamAt, static_cast<uint16_t>(areaParam));
  WriteU16(record, format::kAreaLeftAt, static_cast<uint16_t>(area.left));
  WriteU16(record, format::kAreaTopAt, static_cast<uint16_t>(area.top));
  WriteU16(record, format::kAreaRightAt, static_cast<uint16_t>(area.right));
  WriteU16(record, format::kAreaBottomAt, static_cast<uint16_t>(area.bottom));
}

}  // namespace veltrane::builder
