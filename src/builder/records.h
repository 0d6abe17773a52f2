#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/byte_writer.h"

namespace veltrane::builder {

// Record tags of the program tree.
constexpr uint16_t kTagLeaf = 0x30;
constexpr uint16_t kTagWindow = 0x31;
constexpr uint16_t kTagDateTime = 0x32;
constexpr uint16_t kTagString = 0x33;
constexpr uint16_t kTagRasterImage = 0x36;
constexpr uint16_t kTagRasterList = 0x37;
constexpr uint16_t kTagClock = 0x60;

constexpr size_t kRootRecordBytes = 12;
constexpr size_t kLeafRecordBytes = 16;
constexpr size_t kAreaHeaderBytes = 16;

// RootRecord fields.
constexpr size_t kRootPageCountOffset = 2;
constexpr size_t kRootProgramLengthOffset = 4;
constexpr size_t kRootColorModeOffset = 8;
// LeafRecord fields.
constexpr size_t kLeafItemCountOffset = 2;
constexpr size_t kLeafPageLengthOffset = 12;
// Area record header fields.
constexpr size_t kAreaRecordLengthOffset = 4;

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
inline void WriteAreaHeader(ByteWriter& out, uint16_t tag, int32_t areaParam, const AreaRect& area) {
  out.U16(tag);
  out.U16(static_cast<uint16_t>(areaParam));
  out.U32(0);
  out.U16(static_cast<uint16_t>(area.left));
  out.U16(static_cast<uint16_t>(area.top));
  out.U16(static_cast<uint16_t>(area.right));
  out.U16(static_cast<uint16_t>(area.bottom));
}

}  // namespace veltrane::builder
