// SPDX-License-Identifier: MIT
#include "image/png.h"

#include <gtest/gtest.h>

namespace veltrane::image {
namespace {

std::vector<uint8_t> Encoded(const RgbImage& image, PngEffort effort = PngEffort::Small) {
  auto png = EncodePng(image, effort);
  if (!png) {
    ADD_FAILURE() << png.error().reason();
    return {};
  }
  return std::move(*png);
}

TEST(Png, WrittenPicturesReadBackExactly) {
  RgbImage image;
  image.width = 5;
  image.height = 3;
  for (int i = 0; i < 15; ++i) {
    image.rgb.push_back(static_cast<uint8_t>(i * 17));
    image.rgb.push_back(static_cast<uint8_t>(255 - i));
    image.rgb.push_back(static_cast<uint8_t>(i % 2 ? 0 : 200));
  }
  for (const PngEffort effort : {PngEffort::Small, PngEffort::Fast}) {
    const auto read = ReadPng(Encoded(image, effort));
    ASSERT_TRUE(read) << read.error().reason();
    const RgbImage& back = *read;
    EXPECT_EQ(back.width, 5);
    EXPECT_EQ(back.height, 3);
    EXPECT_EQ(back.rgb, image.rgb);
    EXPECT_EQ(back.PixelAt(4, 2)[0], 14 * 17);
  }
}

TEST(Png, UnreadableInputIsOneSentence) {
  const uint8_t garbage[] = {0x89, 'P', 'N', 'G', 0, 1, 2, 3};
  const auto bad = ReadPng(garbage);
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.error().code(), Status::BadArgument);
  EXPECT_NE(std::string(bad.error().reason()).find("not a readable PNG"), std::string::npos);
  EXPECT_FALSE(ReadPng({}));
}

// A PNG whose header says `width` x `height` and whose one data chunk is what a 1 x 1 picture
// holds: only the header is read before the size is judged.
std::vector<uint8_t> PngDeclaring(uint32_t width, uint32_t height) {
  RgbImage pixel;
  pixel.width = pixel.height = 1;
  pixel.rgb = {1, 2, 3};
  std::vector<uint8_t> png = Encoded(pixel);
  // Signature (8), IHDR length and type (8), then width and height big-endian, and the chunk's
  // CRC over type and data (17 bytes) at offset 29.
  const auto putBigEndian = [&](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) png[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
  };
  putBigEndian(16, width);
  putBigEndian(20, height);
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 12; i < 29; ++i) {
    crc ^= png[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  putBigEndian(29, ~crc);
  return png;
}

TEST(Png, HugePicturesAreRefusedFromTheirHeader) {
  struct Case {
    uint32_t width, height;
    const char* error;
  };
  const Case cases[] = {
      {4097, 4096, "PNG of 4097x4096 pixels has more than the 16777216 pixels read"},
      {16384, 1025, "PNG of 16384x1025 pixels has more than the 16777216 pixels read"},
      {16385, 1, "PNG of 16385x1 pixels is outside 1..16384 on a side"},
      {1, 1, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height);
    const auto read = ReadPng(PngDeclaring(c.width, c.height));
    if (c.error == nullptr) {
      EXPECT_TRUE(read);
    } else {
      ASSERT_FALSE(read);
      EXPECT_STREQ(read.error().reason(), c.error);
    }
  }
}

// A picture of `colors` colours, each in a run of three pixels as a sign's dots are.
RgbImage OfColors(int colors) {
  RgbImage image;
  image.width = 3 * colors;
  image.height = 2;
  for (int row = 0; row < image.height; ++row)
    for (int x = 0; x < image.width; ++x) {
      const int color = (x / 3 + row) % colors;
      image.rgb.insert(image.rgb.end(),
                       {static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 8), 7});
    }
  return image;
}

TEST(Png, AFastPictureOfFewColoursGoesAsAPaletteAndReadsBackExactly) {
  constexpr uint8_t kPalette = 3, kRgb = 2;  // the colour types a PNG header names
  struct Case {
    int colors;
    PngEffort effort;
    uint8_t colorType;
    uint8_t bitDepth;
  };
  const Case cases[] = {
      {2, PngEffort::Fast, kPalette, 1},  {6, PngEffort::Fast, kPalette, 4},
      {17, PngEffort::Fast, kPalette, 8}, {256, PngEffort::Fast, kPalette, 8},
      {257, PngEffort::Fast, kRgb, 8},    {6, PngEffort::Small, kRgb, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.colors);
    const RgbImage image = OfColors(c.colors);
    const std::vector<uint8_t> png = Encoded(image, c.effort);
    ASSERT_GT(png.size(), 26u);
    EXPECT_EQ(png[24], c.bitDepth);  // after the signature and the header's length, name and size
    EXPECT_EQ(png[25], c.colorType);
    const auto read = ReadPng(png);
    ASSERT_TRUE(read) << read.error().reason();
    EXPECT_EQ(read->rgb, image.rgb);
  }
}

TEST(Png, AnInconsistentPictureIsNotEncoded) {
  RgbImage image;
  image.width = 2;
  image.height = 2;
  image.rgb.resize(5);
  const auto png = EncodePng(image);
  ASSERT_FALSE(png);
  EXPECT_EQ(png.error().code(), Status::CannotBuild);
  EXPECT_STREQ(png.error().reason(), "no picture to write");
}

}  // namespace
}  // namespace veltrane::image
