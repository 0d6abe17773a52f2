// SPDX-License-Identifier: MIT
#include "builder/date_time_area.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builder/program.h"
#include "common/byte_reader.h"
#include "raster/raster_decode.h"
#include "support/fake_clock.h"
#include "support/program_bench.h"

namespace veltrane::builder {
namespace {

constexpr size_t kFirstArea = 12 + 16;

class DateTimeAreas : public ::testing::Test, protected testing::ProgramBench {
 protected:
  void SetUp() override { clock.local.year = 2026; }

  std::vector<uint8_t> Add(int32_t type, int32_t colorMode = 2, const char* face = "DejaVu Sans",
                           AreaRect area = {0, 0, 128, 16}) {
    EXPECT_EQ(NewPage(colorMode), Status::Ok);
    EXPECT_EQ(AddDateTime(area, {face, 12, 0x0000FF}, type, 0x10009), Status::Ok);
    const std::vector<uint8_t> program = Block();
    return {program.begin() + kFirstArea, program.end()};
  }

  // The glyph pictures, stepped through by their own lengths; checks they end at the record's end.
  static std::vector<raster::RasterPicture> Glyphs(const std::vector<uint8_t>& record) {
    std::vector<raster::RasterPicture> glyphs;
    size_t offset = 60;
    while (offset < record.size()) {
      const auto glyph = raster::DecodeRaster(std::span(record).subspan(offset));
      if (!glyph) break;
      glyphs.push_back(*glyph);
      offset += ByteReader(record).U32(offset + 8).value();
    }
    EXPECT_EQ(offset, record.size());
    return glyphs;
  }
};

TEST_F(DateTimeAreas, EveryTypeCarriesItsGlyphsAndDescriptor) {
  const size_t counts[] = {13, 11, 11, 10, 10, 10, 10, 10, 10, 8};
  for (int32_t type = 1; type <= 10; ++type) {
    for (int32_t colorMode : {1, 2}) {
      SCOPED_TRACE(::testing::Message() << "type " << type << " mode " << colorMode);
      const auto record = Add(type, colorMode);
      ByteReader read(record);
      EXPECT_EQ(read.U16(0), 0x32);
      EXPECT_EQ(read.U16(2), 9);
      EXPECT_EQ(read.U32(4), record.size());
      EXPECT_EQ(read.U32(16), 0u);
      EXPECT_EQ(read.U16(52), 0x37);
      EXPECT_EQ(read.U16(54), counts[type - 1]);
      EXPECT_EQ(read.U32(56).value(), record.size() - 52);
      const auto glyphs = Glyphs(record);
      ASSERT_EQ(glyphs.size(), counts[type - 1]);
      for (const auto& glyph : glyphs) {
        EXPECT_EQ(glyph.oneBit, colorMode == 1);
        EXPECT_GT(glyph.width, 0);
        bool lit = false;
        for (auto p : glyph.pixels) lit |= p != raster::Lit::Dark;
        EXPECT_TRUE(lit);  // digits, words and CJK glyphs all draw something
      }
    }
  }
}

TEST_F(DateTimeAreas, DescriptorTakesTheYearAtTheTimeOfTheCall) {
  const auto record = Add(1);
  const std::vector<uint8_t> expected = {8, 2, 8, 0, 1, 0,  1, 1, 8, 10, 2, 0, 2, 1, 8, 11,
                                         3, 0, 3, 1, 8, 12, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::vector<uint8_t>(record.begin() + 20, record.begin() + 52), expected);
  clock.local.year = 1987;
  const auto older = Add(4);
  EXPECT_EQ(older[21], 1);
  EXPECT_EQ(older[23], 9);
}

TEST_F(DateTimeAreas, UnknownTypesAddAnEmptyArea) {
  for (int32_t type : {0, 11, -1}) {
    SCOPED_TRACE(type);
    const auto record = Add(type);
    ASSERT_EQ(record.size(), 60u);
    ByteReader read(record);
    EXPECT_EQ(read.U16(54), 0);
    EXPECT_EQ(read.U32(56), 8u);
    for (size_t i = 20; i < 52; ++i) EXPECT_EQ(record[i], 0);
  }
}

TEST_F(DateTimeAreas, RectangleAndFaceNameLimits) {
  const auto record = Add(7, 2, "DejaVu Sans", {70000, 0, 1, 2});
  EXPECT_EQ(ByteReader(record).U16(8), 4464);
  const std::string longName(300, 'Q');  // cut at 255 bytes, then found by substitution
  EXPECT_EQ(Glyphs(Add(7, 2, longName.c_str())).size(), 10u);

  ASSERT_EQ(NewPage(1), Status::Ok);
  EXPECT_NE(AddDateTime({}, {nullptr, 12, 0}, 1, 0), Status::Ok);
  EXPECT_NE(AddDateTime({}, {"DejaVu Sans", 5000, 0}, 1, 0), Status::Ok);  // glyphs too large
  EXPECT_EQ(Block().size(), kFirstArea);
}

}  // namespace
}  // namespace veltrane::builder
