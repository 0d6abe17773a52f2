// SPDX-License-Identifier: MIT
// Text areas against the fonts installed by scripts/install-deps.sh. Glyph shapes belong to the
// fonts: these tests check the record, its sizes and its colour planes, not glyph bits.
#include "builder/text_area.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builder/program.h"
#include "common/byte_reader.h"
#include "platform/font.h"
#include "platform/text_codec.h"
#include "raster/raster.h"
#include "support/program_bench.h"

namespace veltrane::builder {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t kFirstArea = 12 + 16;
constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kYellow = 0x00FFFF;
constexpr const char* kFace = "DejaVu Sans";

// The RasterImage of a window record, read back.
struct Raster {
  uint16_t width = 0;
  uint16_t paddedHeight = 0;
  uint16_t depthCode = 0;
  uint32_t length = 0;
  std::vector<uint32_t> words;
};

Raster ReadRaster(const Bytes& record) {
  ByteReader in(std::span<const uint8_t>(record).subspan(format::kWindowRasterAt));
  Raster r{in.U16(2).value(), in.U16(4).value(), in.U16(6).value(), in.U32(8).value(), {}};
  for (size_t at = 12; at + 4 <= in.size(); at += 4) r.words.push_back(in.U32(at).value());
  return r;
}

// Which bits are lit anywhere: in two-bit words the green bits are the even ones from the top
// (31, 29, ...), the red bits the odd ones (30, 28, ...).
uint32_t LitBits(const Raster& r) {
  uint32_t any = 0;
  for (uint32_t w : r.words) any |= w;
  return any;
}
constexpr uint32_t kGreenBits = 0xAAAAAAAA;
constexpr uint32_t kRedBits = 0x55555555;

class TextAreas : public ::testing::Test, protected testing::ProgramBench {
 protected:
  void SetUp() override { Start(1); }

  void Start(int32_t colorMode) { ASSERT_EQ(NewPage(colorMode), Status::Ok); }

  // Adds one text area to a fresh program and returns its record (empty when refused).
  Bytes Add(int32_t colorMode, const char* text, uint32_t colour = kRed, int32_t points = 12,
            const char* face = kFace, const WindowArea& fields = {}) {
    Start(colorMode);
    if (AddText(fields, {points, colour}, text, face) != Status::Ok) return {};
    const Bytes program = Block();
    return Bytes(program.begin() + kFirstArea, program.end());
  }
};

TEST_F(TextAreas, RecordIsAWindowRecordOfThePictureExactlyAsLargeAsTheText) {
  const platform::TextExtent extent =
      platform::MeasureTextLine(U"Hello, world", {kFace, -16}).value();
  for (int32_t mode : {1, 2}) {
    SCOPED_TRACE(mode);
    const Bytes record = Add(mode, "Hello, world", kRed, 12, kFace, {{}, 0x10005, 7, 8});
    ASSERT_FALSE(record.empty());
    ByteReader in(record);
    EXPECT_EQ(in.U16(0), format::kWindowTag);
    EXPECT_EQ(in.U16(2), 5);  // areaParam, the sixth argument here
    EXPECT_EQ(in.U32(4), record.size());
    EXPECT_EQ(in.U16(16), 7);
    EXPECT_EQ(record.size(),
              format::kWindowRasterAt + raster::RasterSize(extent.width, extent.height, mode));

    const Raster r = ReadRaster(record);
    EXPECT_EQ(r.width, extent.width);
    EXPECT_EQ(r.paddedHeight, 32);  // a 19-pixel line in either depth
    EXPECT_EQ(r.depthCode, mode == 1 ? format::kDepthOneBit : format::kDepthTwoBits);
    EXPECT_EQ(r.length, record.size() - format::kWindowRasterAt);
    EXPECT_NE(LitBits(r), 0u);

    const Bytes program = Block();
    EXPECT_EQ(ByteReader(program).U32(4), kFirstArea + record.size());  // programLength
    EXPECT_EQ(ByteReader(program).U32(12 + 12), 16 + record.size());    // pageLength
    EXPECT_EQ(ByteReader(program).U16(12 + 2), 1);                      // itemCount
  }
}

TEST_F(TextAreas, ColourDecidesTheLitPlanes) {
  struct Case {
    const char* name;
    uint32_t colour;
    bool litOneBit;
    uint32_t planesTwoBits;
  };
  const Case cases[] = {
      {"red", kRed, true, kRedBits},
      {"green", kGreen, false, kGreenBits},
      {"yellow", kYellow, true, kGreenBits | kRedBits},
      {"blue", 0xFF0000, false, 0},
      {"dim red", 0x000060, false, 0},  // 96: not above the threshold
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(LitBits(ReadRaster(Add(1, "Ag 12", c.colour))) != 0, c.litOneBit);
    const uint32_t lit = LitBits(ReadRaster(Add(2, "Ag 12", c.colour)));
    EXPECT_EQ(lit & ~c.planesTwoBits, 0u);
    EXPECT_EQ(lit != 0, c.planesTwoBits != 0);
  }
}

TEST_F(TextAreas, TextAndFaceNameAreReadInTheHostCodePage) {
  encoding = platform::TextEncoding::Named("UTF-8").value();
  const Bytes utf8 = Add(2, "\xE5\xB9\xB4 12", kYellow, 12, "WenQuanYi Zen Hei");
  ASSERT_FALSE(utf8.empty());
  encoding = platform::TextEncoding::Named("GBK").value();
  // The same text, and the face's Chinese name, as GBK bytes.
  const Bytes gbk = Add(2, "\xC4\xEA 12", kYellow, 12, "\xCE\xC4\xC8\xAA\xE6\xE4\xD5\xFD\xBA\xDA");
  EXPECT_EQ(gbk, utf8);
  EXPECT_NE(Add(2, "\xC4\xEA 12", kYellow, 12, "DejaVu Sans"), utf8);
}

TEST_F(TextAreas, EmptyTextIsAZeroWidthLine) {
  const Raster r = ReadRaster(Add(1, ""));
  EXPECT_EQ(r.width, 0);
  EXPECT_EQ(r.paddedHeight, 32);
  EXPECT_EQ(r.length, 12u);
}

TEST_F(TextAreas, TextIsCutAtTheWorkingBuffer) {
  const std::string kept(2047, 'i');
  EXPECT_EQ(Add(1, (kept + "WWWW").c_str()), Add(1, kept.c_str()));
}

TEST_F(TextAreas, RefusedCallsChangeNothing) {
  struct Case {
    const char* name;
    const char* text;
    const char* face;
    int32_t points;
  };
  const std::string wide(2047, 'W');  // about 140000 pixels at 72 points
  const Case cases[] = {
      {"null text", nullptr, kFace, 12},
      {"null face name", "A", nullptr, 12},
      {"taller than 65535 pixels", "A", kFace, 45000},
      {"beyond the font engine", "A", kFace, 100000},
      {"wider than 65535 pixels", wide.c_str(), kFace, 72},
      {"raster over the cap", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", kFace, 400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start(1);
    const Bytes before = Block();
    EXPECT_NE(AddText({}, {c.points, kRed}, c.text, c.face), Status::Ok);
    EXPECT_EQ(Block(), before);
  }
}

}  // namespace
}  // namespace veltrane::builder
