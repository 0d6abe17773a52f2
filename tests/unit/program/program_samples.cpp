// SPDX-License-Identifier: MIT
#include "program_samples.h"

#include <span>

#include "common/byte_writer.h"

namespace veltrane::program::testing {

void Put16(Bytes& bytes, size_t offset, uint16_t value) {
  ByteWriter(std::span(bytes).subspan(offset, 2)).U16(value);
}

void Put32(Bytes& bytes, size_t offset, uint32_t value) {
  ByteWriter(std::span(bytes).subspan(offset, 4)).U32(value);
}

Bytes Raster(uint16_t width, uint16_t paddedHeight, uint16_t depthCode, uint8_t fill) {
  const size_t pixelBytes = size_t{width} * paddedHeight * (depthCode == 1 ? 1 : 2) / 8;
  Bytes raster(12 + pixelBytes, fill);
  ByteWriter out(raster);
  out.U16(0x36);
  out.U16(width);
  out.U16(paddedHeight);
  out.U16(depthCode);
  out.U32(static_cast<uint32_t>(raster.size()));
  return raster;
}

Bytes& WithHeader(Bytes& record, uint16_t tag, uint16_t areaParam, Rect16 rect) {
  ByteWriter out(record);
  out.U16(tag);
  out.U16(areaParam);
  out.U32(static_cast<uint32_t>(record.size()));
  for (uint16_t side : {rect.left, rect.top, rect.right, rect.bottom}) out.U16(side);
  return record;
}

Bytes WindowRecord(const Bytes& raster, uint16_t areaParam, uint16_t paramA, uint16_t paramB,
                   Rect16 rect) {
  Bytes record(28);
  Put16(record, 16, paramA);
  Put16(record, 18, paramB);
  record.insert(record.end(), raster.begin(), raster.end());
  return WithHeader(record, 0x31, areaParam, rect);
}

Bytes StringRecord(std::string_view text, uint32_t stringParamA, uint32_t stringParamB,
                   uint16_t areaParam, Rect16 rect) {
  Bytes record(36 + (text.size() + 4) / 4 * 4);
  Put32(record, 28, stringParamB);
  Put32(record, 32, stringParamA);
  std::copy(text.begin(), text.end(), record.begin() + 36);
  return WithHeader(record, 0x33, areaParam, rect);
}

Bytes RasterList(const std::vector<Bytes>& rasters, size_t at, Bytes record) {
  ByteWriter header{std::span(record).subspan(at, 8)};
  header.U16(0x37);
  header.U16(static_cast<uint16_t>(rasters.size()));
  for (const Bytes& raster : rasters) record.insert(record.end(), raster.begin(), raster.end());
  Put32(record, at + 4, static_cast<uint32_t>(record.size() - at));
  return record;
}

Bytes DateTimeRecord(const Bytes& descriptor, const std::vector<Bytes>& glyphs) {
  Bytes record(60);
  std::copy(descriptor.begin(), descriptor.end(), record.begin() + 20);
  record = RasterList(glyphs, 52, record);
  return WithHeader(record, 0x32, 0, {});
}

Bytes ClockRecord(const std::vector<Bytes>& pictures) {
  Bytes record(36);
  Put32(record, 16, 169);
  record = RasterList(pictures, 28, record);
  return WithHeader(record, 0x60, 0, {});
}

Bytes ClockRecord(uint16_t s, uint16_t depthCode) {
  const uint16_t rows = depthCode == 1 ? 32 : 16;
  const uint16_t paddedHeight = static_cast<uint16_t>((s + rows - 1) / rows * rows);
  return ClockRecord(std::vector<Bytes>(169, Raster(s, paddedHeight, depthCode)));
}

Bytes ProgramPlan::Flatten() const {
  Bytes block(12);
  for (const PagePlan& page : pages) {
    const size_t leaf = block.size();
    block.resize(leaf + 16);
    uint32_t pageLength = 16;
    for (const Bytes& area : page.areas) {
      block.insert(block.end(), area.begin(), area.end());
      pageLength += static_cast<uint32_t>(area.size());
    }
    ByteWriter out{std::span(block).subspan(leaf, 16)};
    out.U16(0x30);
    out.U16(static_cast<uint16_t>(page.areas.size()));
    out.U32(page.pageParam);
    out.U32(0);
    out.U32(pageLength);
  }
  ByteWriter root{std::span(block).first(12)};
  root.U16(rootType);
  root.U16(static_cast<uint16_t>(pages.size()));
  root.U32(static_cast<uint32_t>(block.size()));
  root.U16(colorMode);
  return block;
}

size_t ProgramPlan::PageOffset(size_t page) const {
  size_t offset = 12;
  for (size_t p = 0; p + 1 < page; ++p) {
    offset += 16;
    for (const Bytes& area : pages[p].areas) offset += area.size();
  }
  return offset;
}

size_t ProgramPlan::AreaOffset(size_t page, size_t area) const {
  size_t offset = PageOffset(page) + 16;
  for (size_t a = 0; a + 1 < area; ++a) offset += pages[page - 1].areas[a].size();
  return offset;
}

ProgramPlan SampleProgram() {
  const Bytes window = WindowRecord(Raster(1, 32, 1));
  const std::vector<Bytes> digits(10, Raster(1, 32, 1));
  return ProgramPlan{
      1,
      1,
      {{5, {window, StringRecord("abc", 1, 2)}},
       {6, {DateTimeRecord({2, 0, 2, 1}, digits), ClockRecord(2, 1)}}},
  };
}

}  // namespace veltrane::program::testing
