// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

#include "format/raster.h"

// The records of a flat program block: their tags, fixed sizes and the offset of every field.
// All values are little-endian; records are byte-packed. The block is the root record, then each
// page record followed by its area records. Every record but the root starts with its tag.
namespace veltrane::format {

constexpr uint16_t kLeafTag = 0x30;
constexpr uint16_t kWindowTag = 0x31;
constexpr uint16_t kDateTimeTag = 0x32;
constexpr uint16_t kStringTag = 0x33;
constexpr uint16_t kClockTag = 0x60;

// RootRecord: rootType, pageCount, programLength, colorMode, 2 reserved bytes.
constexpr size_t kRootTypeAt = 0;
constexpr size_t kRootPageCountAt = 2;
constexpr size_t kRootProgramLengthAt = 4;
constexpr size_t kRootColorModeAt = 8;
constexpr size_t kRootReservedAt = 10;
constexpr size_t kRootReservedSize = 2;
constexpr size_t kRootSize = 12;

// LeafRecord (a page): tag, itemCount, pageParam, 4 reserved bytes, pageLength.
constexpr size_t kLeafItemCountAt = 2;
constexpr size_t kLeafPageParamAt = 4;
constexpr size_t kLeafReservedAt = 8;
constexpr size_t kLeafReservedSize = 4;
constexpr size_t kLeafPageLengthAt = 12;
constexpr size_t kLeafSize = 16;

// The header every area record starts with: tag, areaParam, recordLength, left, top, right,
// bottom.
constexpr size_t kAreaParamAt = 2;
constexpr size_t kRecordLengthAt = 4;
constexpr size_t kAreaLeftAt = 8;
constexpr size_t kAreaTopAt = 10;
constexpr size_t kAreaRightAt = 12;
constexpr size_t kAreaBottomAt = 14;
constexpr size_t kAreaHeaderSize = 16;

// The reserved stretch of window, string and clock records.
constexpr size_t kAreaReservedSize = 8;

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
// The longest text a string record carries, without its terminating zero.
constexpr size_t kMaxStringTextBytes = 2047;

// The room a text of `textBytes` takes: the text, its zero byte and zero fill up to a multiple
// of kStringTextAlign.
constexpr size_t PaddedTextSize(size_t textBytes) {
  return (textBytes + 1 + kStringTextAlign - 1) / kStringTextAlign * kStringTextAlign;
}

// DateTimeRecord: the header, 4 reserved bytes, a format descriptor (format/date_time.h), then a
// RasterList of glyphs running to the end of the record.
constexpr size_t kDateTimeReservedAt = 16;
constexpr size_t kDateTimeReservedSize = 4;
constexpr size_t kDescriptorAt = 20;
constexpr size_t kDescriptorSize = 32;
constexpr size_t kDateTimeListAt = 52;

// ClockRecord: the header, imageCount, 8 reserved bytes, a RasterList of the clock's pictures
// (format/clock.h) running to the end of the record.
constexpr size_t kClockImageCountAt = 16;
constexpr size_t kClockReservedAt = 20;
constexpr size_t kClockListAt = 28;

// Where the first glyph of a date-time record and the first picture of a clock record start.
constexpr size_t kDateTimeGlyphsAt = kDateTimeListAt + kRasterListHeaderSize;
constexpr size_t kClockPicturesAt = kClockListAt + kRasterListHeaderSize;

}  // namespace veltrane::format
