// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// Packed pictures inside program records. A RasterImage is a 12-byte header and the picture packed
// column after column, left to right, into little-endian 32-bit words running down each column.
// The topmost pixel of a word is its bit 31. One bit per pixel lights where red is above
// kLitAbove; two bits per pixel give each pixel a green bit and then a red bit, each lit above
// kLitAbove. A RasterList is the header before a run of RasterImages inside an area record.
namespace veltrane::format {

// Every record but a program's root starts with its u16 tag.
constexpr size_t kTagAt = 0;

// RasterImage: tag, width, paddedHeight, depthCode, length (header included), pixel words.
constexpr uint16_t kRasterImageTag = 0x36;
constexpr size_t kRasterWidthAt = 2;
constexpr size_t kRasterPaddedHeightAt = 4;
constexpr size_t kRasterDepthCodeAt = 6;
constexpr size_t kRasterLengthAt = 8;
constexpr size_t kRasterHeaderSize = 12;

// RasterList: tag, count, length (header included), then `count` RasterImages back to back.
constexpr uint16_t kRasterListTag = 0x37;
constexpr size_t kRasterListCountAt = 2;
constexpr size_t kRasterListLengthAt = 4;
constexpr size_t kRasterListHeaderSize = 8;

constexpr uint16_t kDepthOneBit = 1;
constexpr uint16_t kDepthTwoBits = 4;

// A colour channel lights its bit above this level.
constexpr uint8_t kLitAbove = 96;

// The most pixel bytes one RasterImage may carry; larger pictures are never encoded.
constexpr uint32_t kMaxRasterPixelBytes = 0x100000;
// The header keeps 16 bits of each side.
constexpr int32_t kMaxRasterSide = 0xFFFF;

// colorMode 1 packs one bit per pixel; every other value two bits.
constexpr uint16_t DepthCodeFor(int32_t colorMode) {
  return colorMode == 1 ? kDepthOneBit : kDepthTwoBits;
}
constexpr uint32_t BitsPerPixel(uint16_t depthCode) { return depthCode == kDepthOneBit ? 1 : 2; }
// A column word holds 32 rows at one bit per pixel and 16 at two.
constexpr uint32_t RowsPerWord(uint16_t depthCode) { return 32 / BitsPerPixel(depthCode); }

}  // namespace veltrane::format
