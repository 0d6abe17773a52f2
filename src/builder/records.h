#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/byte_writer.h"
#include "program/record_layout.h"

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
constexpr size_t kTextBufferBytes = 2048;

// The caller's zero-terminated text as the working buffer holds it: at most
// kTextBufferBytes - 1 bytes, reading no byte past the terminator.
inline std::string_view CutToTextBuffer(const char* text) {
  size_t length = 0;
  while (length < kTextBufferBytes - 1 && text[length] != '\0') ++length;
  return {text, length};
}

// Writes the 16-byte area header. The record length is left 0: AppendArea fills it in.
inline void WriteAreaHeader(ByteWriter& out, uint16_t tag, int32_t areaParam,
                            const AreaRect& area) {
  out.U16(tag);
  out.U16(static_cast<uint16_t>(areaParam));
  out.U32(0);
  out.U16(static_cast<uint16_t>(area.left));
  out.U16(static_cast<uint16_t>(area.top));
  out.U16(static_cast<uint16_t>(area.right));
  out.U16(static_cast<uint16_t>(area.bottom));
}

}  // namespace veltrane::builder
