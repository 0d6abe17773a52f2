// SPDX-License-Identifier: MIT
#include "raster/raster.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "common/byte_writer.h"

namespace veltrane::raster {
namespace {

using namespace format;
using image::Color;

int64_t RowsPerWord(int32_t colorMode) { return format::RowsPerWord(DepthCodeFor(colorMode)); }

int64_t RoundUp(int64_t value, int64_t multiple) {
  return (value + multiple - 1) / multiple * multiple;
}

// The pixel bytes of a picture whose sides are at most 65535.
int64_t PixelBytes(int64_t width, int64_t height, int32_t colorMode) {
  return RoundUp(height, RowsPerWord(colorMode)) * width * BitsPerPixel(DepthCodeFor(colorMode)) /
         8;
}

// Lights, for every column, the bits that one picture row owns in its column word. Written as
// fixed blocks of columns free of branches and aliasing, which compilers turn into vector code.
constexpr size_t kColumnBlock = 16;

uint32_t OneBit(Color c, uint32_t bit) { return image::RedOf(c) > kLitAbove ? bit : 0u; }

uint32_t TwoBits(Color c, uint32_t greenBit) {
  return (image::GreenOf(c) > kLitAbove ? greenBit : 0u) |
         (image::RedOf(c) > kLitAbove ? greenBit >> 1 : 0u);
}

template <uint32_t (*Bits)(Color, uint32_t)>
void AddRow(const Color* __restrict row, uint32_t* __restrict words, size_t columns, uint32_t bit) {
  size_t x = 0;
  for (; x + kColumnBlock <= columns; x += kColumnBlock) {
    for (size_t i = 0; i < kColumnBlock; ++i) words[x + i] |= Bits(row[x + i], bit);
  }
  for (; x < columns; ++x) words[x] |= Bits(row[x], bit);
}

// Packs the picture one band of word rows at a time: each band's words are built across all
// columns from whole picture rows (which the surface stores contiguously), then stored at their
// column-major places.
void PackWords(uint8_t* pixelWords, const image::Surface& surface, int64_t width, int64_t height,
               int32_t colorMode) {
  const int64_t rowsPerWord = RowsPerWord(colorMode);
  const int64_t wordsPerColumn = RoundUp(height, rowsPerWord) / rowsPerWord;
  const auto readable = static_cast<size_t>(std::min<int64_t>(width, surface.width()));
  const int64_t rows = std::min<int64_t>(height, surface.height());
  std::vector<uint32_t> band(readable);

  for (int64_t word = 0; word < wordsPerColumn; ++word) {
    std::fill(band.begin(), band.end(), 0u);
    const int64_t top = word * rowsPerWord;
    const int64_t bottom = std::min(top + rowsPerWord, rows);
    for (int64_t y = top; y < bottom; ++y) {
      const Color* row = surface.Row(static_cast<int32_t>(y)).data();
      const auto k = static_cast<uint32_t>(y - top);
      if (IsOneBit(colorMode)) {
        AddRow<OneBit>(row, band.data(), readable, 0x80000000u >> k);
      } else {
        AddRow<TwoBits>(row, band.data(), readable, 0x80000000u >> (2 * k));
      }
    }
    for (int64_t x = 0; x < width; ++x) {
      const uint32_t value = static_cast<size_t>(x) < readable ? band[static_cast<size_t>(x)] : 0u;
      StoreLe32(pixelWords + 4 * (x * wordsPerColumn + word), value);
    }
  }
}

}  // namespace

int32_t RasterSize(int32_t width, int32_t height, int32_t colorMode) {
  const int64_t pixelBytes =
      PixelBytes(static_cast<uint16_t>(width), static_cast<uint16_t>(height), colorMode);
  if (pixelBytes > kMaxRasterPixelBytes) return 0;
  return static_cast<int32_t>(pixelBytes + static_cast<int64_t>(kRasterHeaderSize));
}

Status CheckRasterFits(int32_t width, int32_t height, int32_t colorMode) {
  const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
  if (width < 0 || height < 0)
    return {Status::BadArgument, "a picture of " + size + ": a side cannot be negative"};
  const int64_t longer = std::max(width, height);
  if (longer > kMaxRasterSide)
    return {Status::CannotBuild, "a picture of " + size + " is " +
                                     std::to_string(longer - kMaxRasterSide) +
                                     " pixels longer on a side than the " +
                                     std::to_string(kMaxRasterSide) + " a picture may have"};
  const int64_t pixelBytes = PixelBytes(width, height, colorMode);
  if (pixelBytes > kMaxRasterPixelBytes)
    return {Status::CannotBuild,
            "a picture of " + size + " packs to " + std::to_string(pixelBytes) + " bytes, " +
                std::to_string(pixelBytes - kMaxRasterPixelBytes) + " more than the " +
                std::to_string(kMaxRasterPixelBytes) + " a picture may hold"};
  return Status::Ok;
}

bool RasterFits(int32_t width, int32_t height, int32_t colorMode) {
  return CheckRasterFits(width, height, colorMode) == Status::Ok;
}

int32_t EncodeRaster(std::span<uint8_t> destination, const image::Surface& surface, int32_t width,
                     int32_t height, int32_t colorMode) {
  const bool hasPixels = width > 0 && height > 0;
  const int64_t rowsPerWord = RowsPerWord(colorMode);
  const int64_t pixelBytes =
      hasPixels ? int64_t{width} * (RoundUp(height, rowsPerWord) / rowsPerWord) * 4 : 0;
  const int64_t length = static_cast<int64_t>(kRasterHeaderSize) + pixelBytes;
  if (length > std::numeric_limits<int32_t>::max() ||
      static_cast<uint64_t>(length) > destination.size()) {
    return 0;
  }

  const auto paddedHeight =
      static_cast<uint16_t>(RoundUp(static_cast<uint16_t>(height), rowsPerWord));
  ByteWriter header(destination);
  header.U16At(kTagAt, kRasterImageTag);
  header.U16At(kRasterWidthAt, static_cast<uint16_t>(width));
  header.U16At(kRasterPaddedHeightAt, paddedHeight);
  header.U16At(kRasterDepthCodeAt, DepthCodeFor(colorMode));
  header.U32At(kRasterLengthAt, static_cast<uint32_t>(length));
  if (!header.ok()) return 0;
  if (hasPixels) {
    PackWords(destination.data() + kRasterHeaderSize, surface, width, height, colorMode);
  }
  return static_cast<int32_t>(length);
}

bool WriteRasterList(std::span<uint8_t> destination, const RasterList& list) {
  if (destination.size() < kRasterListHeaderSize) return false;
  ByteWriter header(destination);
  return header.U16At(kTagAt, kRasterListTag) && header.U16At(kRasterListCountAt, list.count) &&
         header.U32At(kRasterListLengthAt, list.length);
}

}  // namespace veltrane::raster
