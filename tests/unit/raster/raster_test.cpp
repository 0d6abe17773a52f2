// SPDX-License-Identifier: MIT
#include "raster/raster.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "common/byte_reader.h"
#include "support/reference_raster.h"

namespace veltrane::raster {
namespace {

using Bytes = std::vector<uint8_t>;
using image::MakeColor;
using image::Surface;
constexpr uint8_t kCanary = 0xC5;

// Encodes into a zeroed buffer of exactly `room` bytes followed by a canary byte.
Bytes Encode(const Surface& s, int32_t width, int32_t height, int32_t colorMode, size_t room) {
  Bytes out(room + 1, 0);
  out[room] = kCanary;
  const int32_t n = EncodeRaster(std::span(out).first(room), s, width, height, colorMode);
  EXPECT_EQ(out[room], kCanary);
  EXPECT_GE(n, 0);
  out.resize(static_cast<size_t>(n));
  return out;
}

Bytes Encode(const Surface& s, int32_t colorMode) {
  const int32_t size = RasterSize(s.width(), s.height(), colorMode);
  return Encode(s, s.width(), s.height(), colorMode, static_cast<size_t>(size));
}

// A one-column picture with the given colours from the top.
Surface Column(std::initializer_list<image::Color> colours) {
  Surface s(1, static_cast<int32_t>(colours.size()));
  int32_t y = 0;
  for (image::Color c : colours) s.SetPixel(0, y++, c);
  return s;
}

uint32_t Word(const Bytes& raster, size_t index) {
  return ByteReader(raster).U32(format::kRasterHeaderSize + 4 * index).value_or(0xDEADBEEF);
}

TEST(EncodeRaster, WorkedExamples) {
  const Bytes oneBit =
      Encode(Column({MakeColor(255, 0, 0), MakeColor(0, 0, 0), MakeColor(200, 0, 0)}), 1);
  EXPECT_EQ(oneBit, (Bytes{0x36, 0x00, 0x01, 0x00, 0x20, 0x00, 0x01, 0x00, 0x10, 0x00, 0x00, 0x00,
                           0x00, 0x00, 0x00, 0xA0}));
  const Bytes twoBits = Encode(Column({MakeColor(255, 255, 0), MakeColor(255, 0, 0)}), 2);
  EXPECT_EQ(twoBits, (Bytes{0x36, 0x00, 0x01, 0x00, 0x10, 0x00, 0x04, 0x00, 0x10, 0x00, 0x00, 0x00,
                            0x00, 0x00, 0x00, 0xD0}));
}

TEST(EncodeRaster, ColumnsStartNewWordsAndPadBelowTheLastRow) {
  struct Case {
    int32_t height, colorMode;
    uint16_t paddedHeight;
    size_t wordsPerColumn;
    uint32_t lastRowWord;  // the last word of a column whose last row alone is lit
  };
  const Case cases[] = {
      {32, 1, 32, 1, 0x00000001}, {33, 1, 64, 2, 0x80000000}, {16, 2, 16, 1, 0x00000001},
      {17, 2, 32, 2, 0x40000000}, {1, 1, 32, 1, 0x80000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "height " << c.height << " mode " << c.colorMode);
    Surface s(2, c.height);
    s.SetPixel(1, c.height - 1, MakeColor(255, 0, 0));
    const Bytes raster = Encode(s, c.colorMode);
    ASSERT_EQ(raster.size(), format::kRasterHeaderSize + 2 * 4 * c.wordsPerColumn);
    EXPECT_EQ(ByteReader(raster).U16(4), c.paddedHeight);
    for (size_t i = 0; i < c.wordsPerColumn; ++i) EXPECT_EQ(Word(raster, i), 0u);  // column 0
    for (size_t i = 0; i + 1 < c.wordsPerColumn; ++i) {
      EXPECT_EQ(Word(raster, c.wordsPerColumn + i), 0u);
    }
    EXPECT_EQ(Word(raster, 2 * c.wordsPerColumn - 1), c.lastRowWord);
  }
}

TEST(EncodeRaster, LitAboveNinetySixAndNeverLooksAtBlue) {
  struct Case {
    const char* name;
    image::Color colour;
    uint32_t oneBit, twoBits;  // the word of a one-pixel picture
  };
  const Case cases[] = {
      {"red 96", MakeColor(96, 0, 0), 0, 0},
      {"red 97", MakeColor(97, 0, 0), 0x80000000, 0x40000000},
      {"green 96", MakeColor(0, 96, 0), 0, 0},
      {"green 97", MakeColor(0, 97, 0), 0, 0x80000000},
      {"pure green", MakeColor(0, 255, 0), 0, 0x80000000},
      {"yellow", MakeColor(255, 255, 0), 0x80000000, 0xC0000000},
      {"pure blue", MakeColor(0, 0, 255), 0, 0},
      {"white", MakeColor(255, 255, 255), 0x80000000, 0xC0000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Word(Encode(Column({c.colour}), 1), 0), c.oneBit);
    EXPECT_EQ(Word(Encode(Column({c.colour}), 2), 0), c.twoBits);
  }
}

TEST(EncodeRaster, EveryModeButOneIsTwoBitsPerPixel) {
  for (int32_t mode : {0, 2, 3, 255, -1, 0x10001}) {
    SCOPED_TRACE(mode);
    const Bytes raster = Encode(Column({MakeColor(255, 0, 0)}), mode);
    EXPECT_EQ(ByteReader(raster).U16(6), format::kDepthTwoBits);
    EXPECT_EQ(ByteReader(raster).U16(4), 16);
  }
  EXPECT_EQ(ByteReader(Encode(Column({0}), 1)).U16(6), format::kDepthOneBit);
}

TEST(EncodeRaster, MatchesThePlainPackingOnRandomPictures) {
  std::mt19937 random(7);
  for (int32_t width : {1, 3, 17, 64}) {
    for (int32_t height : {1, 15, 16, 31, 32, 33, 47, 100}) {
      Surface s(width, height);
      for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
          // Mostly around the threshold, so that both sides of it are hit.
          s.SetPixel(
              x, y,
              MakeColor(static_cast<uint8_t>(90 + random() % 12),
                        static_cast<uint8_t>(90 + random() % 12), static_cast<uint8_t>(random())));
        }
      }
      for (int32_t mode : {1, 2}) {
        SCOPED_TRACE(::testing::Message() << width << "x" << height << " mode " << mode);
        const Bytes raster = Encode(s, mode);
        EXPECT_EQ(raster, testing::EncodeRasterPlain(s, width, height, mode));
        EXPECT_EQ(static_cast<int32_t>(raster.size()), RasterSize(width, height, mode));
      }
    }
  }
}

TEST(EncodeRaster, ReadsBlackBeyondTheSurface) {
  Surface s(1, 1);
  s.SetPixel(0, 0, MakeColor(255, 255, 255));
  const Bytes raster = Encode(s, 3, 40, 1, static_cast<size_t>(RasterSize(3, 40, 1)));
  EXPECT_EQ(raster, testing::EncodeRasterPlain(s, 3, 40, 1));
  EXPECT_EQ(raster.size(), 12u + 3 * 8);
  EXPECT_EQ(Word(raster, 0), 0x80000000u);
  for (size_t i = 1; i < 6; ++i) EXPECT_EQ(Word(raster, i), 0u);
}

TEST(EncodeRaster, EmptyPicturesAreTheHeaderAlone) {
  const Surface s(4, 4);
  for (auto [width, height] : {std::pair{0, 4}, {4, 0}, {-3, 4}, {4, -3}, {0, 0}}) {
    SCOPED_TRACE(::testing::Message() << width << "x" << height);
    const Bytes raster = Encode(s, width, height, 1, 12);
    ASSERT_EQ(raster.size(), 12u);
    EXPECT_EQ(ByteReader(raster).U32(8), 12u);
  }
}

TEST(EncodeRaster, WritesNothingWhenTheRoomIsShort) {
  Surface s(5, 40);
  s.FillRect(0, 0, 5, 40, MakeColor(255, 255, 255));
  const size_t needed = static_cast<size_t>(RasterSize(5, 40, 2));
  for (size_t room : {size_t{0}, size_t{11}, size_t{12}, needed - 1}) {
    SCOPED_TRACE(room);
    Bytes out(room + 1, 0);
    EXPECT_EQ(EncodeRaster(std::span(out).first(room), s, 5, 40, 2), 0);
    EXPECT_EQ(out, Bytes(room + 1, 0));
  }
  // Sizes RasterSize would wrap or refuse are measured as they are, not as their low 16 bits.
  Bytes out(64, 0);
  EXPECT_EQ(EncodeRaster(out, s, 65537, 1, 1), 0);
  EXPECT_EQ(EncodeRaster(out, s, 1, 65537, 1), 0);
  EXPECT_EQ(EncodeRaster(out, s, 0x7FFFFFFF, 0x7FFFFFFF, 2), 0);
  EXPECT_EQ(out, Bytes(64, 0));
}

TEST(RasterSize, SizeRule) {
  struct Case {
    int32_t width, height, colorMode, size;
  };
  const Case cases[] = {
      {2048, 4096, 1, 1048588},
      {2049, 4096, 1, 0},
      {1, 3, 1, 16},
      {1, 2, 2, 16},
      {5, 0, 1, 12},
      {65537, 1, 1, 16},
      {0, 100, 2, 12},
      {10, 24, 1, 52},
      {10, 24, 2, 92},
      {1024, 4096, 2, 1048588},
      {1025, 4096, 2, 0},
      {1, 65535, 1, 8204},
      {-1, 1, 1, 262152},
      {60, 60, 1, 492},
      {60, 60, 2, 972},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " mode " << c.colorMode);
    EXPECT_EQ(RasterSize(c.width, c.height, c.colorMode), c.size);
  }
}

TEST(RasterSize, FitsOnlySidesTheHeaderCanHoldWithinTheCap) {
  struct Case {
    int32_t width, height, colorMode;
    bool fits;
  };
  const Case cases[] = {
      {0, 0, 1, true},      {2048, 4096, 1, true}, {2049, 4096, 1, false}, {65535, 1, 1, true},
      {65536, 1, 1, false}, {1, 65535, 1, true},   {1, 65536, 1, false},   {-1, 1, 1, false},
      {1, -1, 2, false},    {1024, 4096, 2, true}, {1025, 4096, 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " mode " << c.colorMode);
    EXPECT_EQ(RasterFits(c.width, c.height, c.colorMode), c.fits);
  }
}

TEST(RasterList, HeaderBytes) {
  Bytes out(9, kCanary);
  ASSERT_TRUE(WriteRasterList(std::span(out).first(8), {169, 0x01020304}));
  EXPECT_EQ(out, (Bytes{0x37, 0x00, 0xA9, 0x00, 0x04, 0x03, 0x02, 0x01, kCanary}));
  Bytes shortRoom(7, 0);
  EXPECT_FALSE(WriteRasterList(shortRoom, {1, 8}));
  EXPECT_EQ(shortRoom, Bytes(7, 0));
}

}  // namespace
}  // namespace veltrane::raster
