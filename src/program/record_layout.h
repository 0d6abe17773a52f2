#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/raster.h"

// The byte layout of a flat program block: the record tags, the fixed sizes and the offsets of
// the fields the reader checks. All values are little-endian; records are byte-packed.
namespace veltrane::program {

// Record tags. The root record has none: its first field is the caller's rootType.
constexpr uint16_t kLeafTag = 0x30;
constexpr uint16_t kWindowTag = 0x31;
constexpr uint16_t kDateTimeTag = 0x32;
constexpr uint16_t kStringTag = 0x33;
using raster::kRasterImageTag;  // 0x36
using raster::kRasterListTag;   // 0x37
constexpr uint16_t kClockTag = 0x60;

// RootRecord: rootType, pageCount, programLength, colorMode, 2 reserved bytes.
constexpr size_t kRootSize = 12;
constexpr size_t kRootPageCountAt = 2;
constexpr size_t kRootProgramLengthAt = 4;
constexpr size_t kRootColorModeAt = 8;
constexpr size_t kRootReservedAt = 10;

// LeafRecord (a page): tag, itemCount, pageParam, 4 reserved bytes, pageLength.
constexpr size_t kLeafSize = 16;
constexpr size_t kLeafItemCountAt = 2;
constexpr size_t kLeafPageParamAt = 4;
constexpr size_t kLeafReservedAt = 8;
constexpr size_t kLeafPageLengthAt = 12;

// The header every area record starts with: tag, areaParam, recordLength, left, top, right,
// bottom.
constexpr size_t kAreaHeaderSize = 16;
constexpr size_t kAreaParamAt = 2;
constexpr size_t kRecordLengthAt = 4;
constexpr size_t kAreaRectAt = 8;

// WindowRecord: the header, paramA, paramB, 8 reserved bytes, one RasterImage.
constexpr size_t kWindowParamAAt = 16;
constexpr size_t kWindowParamBAt = 18;
constexpr size_t kWindowReservedAt = 20;
constexpr size_t kWindowRasterAt = 28;

// StringRecord: the header, paramA, paramB, 8 reserved bytes, stringParamB, stringParamA, then
// the zero-terminated text padded with zeros to a multiple of 4 bytes.
constexpr size_t kStringParamAAt = 16;
constexpr size_t kStringParamBAt = 18;
constexpr size_t kStringReservedAt = 20;
constexpr size_t kStringStringParamBAt = 28;
constexpr size_t kStringStringParamAAt = 32;
constexpr size_t kStringTextAt = 36;
constexpr size_t kStringTextAlign = 4;
constexpr size_t kMaxStringTextBytes = 2047;  // the builder's 2048-byte buffer, terminator included

// DateTimeRecord: the header, 4 reserved bytes, a 32-byte format descriptor of up to 16
// (kind, argument) pairs, then a RasterList of glyphs running to the end of the record.
constexpr size_t kDateTimeReservedAt = 16;
constexpr size_t kDateTimeReservedSize = 4;
constexpr size_t kDescriptorAt = 20;
constexpr size_t kDescriptorSize = 32;
constexpr size_t kDateTimeListAt = 52;

// ClockRecord: the header, imageCount, 8 reserved bytes, a RasterList of 169 square pictures.
constexpr size_t kClockImageCountAt = 16;
constexpr size_t kClockReservedAt = 20;
constexpr size_t kClockListAt = 28;
constexpr uint32_t kClockImageCount = 169;  // the face, 48 hour, 60 minute and 60 second hands

// The reserved stretch of window, string and clock records.
constexpr size_t kAreaReservedSize = 8;

// RasterImage: tag, width, paddedHeight, depthCode, length, then the pixel words.
constexpr size_t kRasterHeaderSize = 12;
constexpr size_t kRasterWidthAt = 2;
constexpr size_t kRasterPaddedHeightAt = 4;
constexpr size_t kRasterDepthCodeAt = 6;
constexpr size_t kRasterLengthAt = 8;
constexpr uint64_t kMaxRasterPixelBytes = 0x100000;  // larger pictures are never encoded

// RasterList: tag, count, length (header included), then `count` RasterImages back to back.
constexpr size_t kRasterListHeaderSize = 8;
constexpr size_t kRasterListCountAt = 2;
constexpr size_t kRasterListLengthAt = 4;

// colorMode 1 packs one bit per pixel (depthCode 1); every other value two bits (depthCode 4).
constexpr uint16_t DepthCodeFor(uint16_t colorMode) { return colorMode == 1 ? 1 : 4; }
constexpr uint32_t BitsPerPixel(uint16_t depthCode) { return depthCode == 1 ? 1 : 2; }
// A column word holds 32 rows at one bit per pixel and 16 at two.
constexpr uint32_t RowsPerWord(uint16_t depthCode) { return 32 / BitsPerPixel(depthCode); }

}  // namespace veltrane::program
