// SPDX-License-Identifier: MIT
#include "support/reference_raster.h"

#include "common/byte_writer.h"

namespace veltrane::testing {
namespace {

void PushWord(std::vector<uint8_t>& out, uint32_t word) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(word >> shift));
}

}  // namespace

std::vector<uint8_t> EncodeRasterPlain(const image::Surface& surface, int32_t width, int32_t height,
                                       int32_t colorMode) {
  const bool oneBit = colorMode == 1;
  const int32_t rowsPerWord = oneBit ? 32 : 16;
  std::vector<uint8_t> out(12);
  ByteWriter header(out);
  header.U16(0x36);
  header.U16(static_cast<uint16_t>(width));
  const int32_t h = static_cast<uint16_t>(height);
  header.U16(static_cast<uint16_t>((h + rowsPerWord - 1) / rowsPerWord * rowsPerWord));
  header.U16(oneBit ? 1 : 4);

  for (int32_t x = 0; height > 0 && x < width; ++x) {
    uint32_t word = 0;
    uint32_t mask = 0x80000000u;
    for (int32_t y = 0; y < height; ++y) {
      const image::Color c = surface.Pixel(x, y);
      if (oneBit) {
        if (image::RedOf(c) > 96) word |= mask;
        mask >>= 1;
      } else {
        if (image::GreenOf(c) > 96) word |= mask;
        mask >>= 1;
        if (image::RedOf(c) > 96) word |= mask;
        mask >>= 1;
      }
      if (mask == 0) {
        PushWord(out, word);
        word = 0;
        mask = 0x80000000u;
      }
    }
    if (mask != 0x80000000u) PushWord(out, word);
  }
  ByteWriter(std::span(out).subspan(8, 4)).U32(static_cast<uint32_t>(out.size()));
  return out;
}

}  // namespace veltrane::testing
