// SPDX-License-Identifier: MIT
#include "raster/raster_decode.h"

#include "common/byte_reader.h"
#include "raster/raster.h"

namespace veltrane::raster {

using namespace format;

std::optional<RasterPicture> DecodeRaster(std::span<const uint8_t> bytes) {
  ByteReader read(bytes);
  const auto tag = read.U16(kTagAt);
  const auto width = read.U16(kRasterWidthAt);
  const auto height = read.U16(kRasterPaddedHeightAt);
  const auto depth = read.U16(kRasterDepthCodeAt);
  const auto length = read.U32(kRasterLengthAt);
  if (!tag || *tag != kRasterImageTag || !length ||
      (*depth != kDepthOneBit && *depth != kDepthTwoBits))
    return std::nullopt;
  const bool oneBit = *depth == kDepthOneBit;
  const uint32_t rowsPerWord = RowsPerWord(*depth);
  if (*height % rowsPerWord != 0) return std::nullopt;
  const uint64_t wordsPerColumn = *height / rowsPerWord;
  const uint64_t expected = kRasterHeaderSize + uint64_t{*width} * wordsPerColumn * 4;
  // A header-only image (no pixel words) is what an empty picture gives.
  if (*length != expected && *length != kRasterHeaderSize) return std::nullopt;
  if (*length > bytes.size()) return std::nullopt;

  RasterPicture picture;
  picture.oneBit = oneBit;
  // A header without pixel words (a picture that could not be read back) shows nothing; its
  // size fields are not taken, so memory only ever grows with the pixel words present.
  if (*length == kRasterHeaderSize) return picture;
  picture.width = *width;
  picture.height = *height;
  picture.pixels.assign(static_cast<size_t>(*width) * *height, Lit::Dark);
  size_t offset = kRasterHeaderSize;
  for (int32_t x = 0; x < picture.width; ++x) {
    for (uint64_t w = 0; w < wordsPerColumn; ++w, offset += 4) {
      const uint32_t word = *read.U32(offset);
      for (uint32_t k = 0; k < rowsPerWord; ++k) {
        const auto y = static_cast<int32_t>(w * rowsPerWord + k);
        uint8_t level;
        if (oneBit) {
          level = (word >> (31 - k)) & 1;  // lit shows red
        } else {
          const uint32_t green = (word >> (31 - 2 * k)) & 1;
          const uint32_t red = (word >> (30 - 2 * k)) & 1;
          level = static_cast<uint8_t>(green << 1 | red);
        }
        picture.pixels[static_cast<size_t>(y) * picture.width + x] = static_cast<Lit>(level);
      }
    }
  }
  return picture;
}

}  // namespace veltrane::raster
