// SPDX-License-Identifier: MIT
#pragma once

// Program blocks built by hand, record by record, the way the builder lays them out.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace veltrane::program::testing {

using Bytes = std::vector<uint8_t>;

struct Rect16 {
  uint16_t left = 0, top = 0, right = 0, bottom = 0;
};

// A RasterImage of the given size with every pixel byte `fill`; its length is 12 plus the pixel
// bytes the size needs at the depth.
Bytes Raster(uint16_t width, uint16_t paddedHeight, uint16_t depthCode, uint8_t fill = 0x5A);

Bytes WindowRecord(const Bytes& raster, uint16_t areaParam = 0, uint16_t paramA = 0,
                   uint16_t paramB = 0, Rect16 rect = {});
Bytes StringRecord(std::string_view text, uint32_t stringParamA = 0, uint32_t stringParamB = 0,
                   uint16_t areaParam = 0, Rect16 rect = {});
// `descriptor` holds the (kind, argument) bytes; the rest of the 32 bytes stays zero.
Bytes DateTimeRecord(const Bytes& descriptor, const std::vector<Bytes>& glyphs);
// A clock record holding these pictures, and one holding 169 pictures of s x s.
Bytes ClockRecord(const std::vector<Bytes>& pictures);
Bytes ClockRecord(uint16_t s, uint16_t depthCode);
// Writes a tag, areaParam, recordLength (the record's size) and rectangle into `record`.
Bytes& WithHeader(Bytes& record, uint16_t tag, uint16_t areaParam, Rect16 rect);

struct PagePlan {
  uint32_t pageParam = 0;
  std::vector<Bytes> areas;
};

// A whole program; Flatten writes every count and length from the records' sizes.
struct ProgramPlan {
  uint16_t rootType = 1;
  uint16_t colorMode = 1;
  std::vector<PagePlan> pages;

  Bytes Flatten() const;
  size_t PageOffset(size_t page) const;               // 1-based
  size_t AreaOffset(size_t page, size_t area) const;  // 1-based
};

// Two pages in colorMode 1: a 1 x 3 window and the string "abc"; a month field (10 glyphs) and
// a clock with 2 x 2 pictures.
ProgramPlan SampleProgram();

void Put16(Bytes& bytes, size_t offset, uint16_t value);
void Put32(Bytes& bytes, size_t offset, uint32_t value);

}  // namespace veltrane::program::testing
