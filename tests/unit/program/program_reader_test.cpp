// SPDX-License-Identifier: MIT
#include "program/program_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "program_samples.h"

namespace veltrane::program {
namespace {

using testing::Bytes;
using testing::ProgramPlan;

const Program& ReadOk(const Bytes& block, ReadResult& result) {
  result = ReadProgram(block);
  EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.defect().message);
  return result.program();
}

Bytes HeaderOnly(Bytes raster) {
  raster.resize(12);
  testing::Put32(raster, 8, 12);
  return raster;
}

// A program of one page holding `record`, read back. It keeps the block that the area's spans
// view.
struct OneArea {
  explicit OneArea(const Bytes& record, uint16_t colorMode = 1)
      : block(ProgramPlan{1, colorMode, {{0, {record}}}}.Flatten()) {
    const ReadResult result = ReadProgram(block);
    if (result.ok()) {
      area = result.program().pages.at(0).areas.at(0);
    } else {
      ADD_FAILURE() << result.defect().message;
    }
  }

  const Bytes block;
  Area area;
};

TEST(ProgramReader, ReadsTheRootAndPageOfTheWorkedExamples) {
  const Bytes fresh = {0x01, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
  ReadResult result(Program{});
  const Program& root = ReadOk(fresh, result);
  EXPECT_EQ(root.rootType, 1);
  EXPECT_EQ(root.pageCount, 0);
  EXPECT_EQ(root.programLength, 12u);
  EXPECT_EQ(root.colorMode, 1);
  EXPECT_TRUE(root.pages.empty());

  const Bytes paged = {0x01, 0x00, 0x01, 0x00, 0x1C, 0x00, 0x00, 0x00, 0x01, 0x00,
                       0x00, 0x00, 0x30, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00,
                       0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00};
  EXPECT_EQ(ProgramPlan({1, 1, {{5, {}}}}).Flatten(), paged);
  const Program& program = ReadOk(paged, result);
  ASSERT_EQ(program.pages.size(), 1u);
  EXPECT_EQ(program.pages[0].offset, 12u);
  EXPECT_EQ(program.pages[0].pageParam, 5u);
  EXPECT_EQ(program.pages[0].pageLength, 16u);
  EXPECT_EQ(program.pages[0].itemCount, 0);
}

TEST(ProgramReader, ReadsTheTreeOfEveryAreaKind) {
  const ProgramPlan plan = testing::SampleProgram();
  const Bytes block = plan.Flatten();
  ReadResult result(Program{});
  const Program& program = ReadOk(block, result);
  ASSERT_EQ(program.pages.size(), 2u);
  EXPECT_EQ(program.pageCount, 2);
  EXPECT_EQ(program.programLength, block.size());
  EXPECT_EQ(program.pages[1].offset, plan.PageOffset(2));
  EXPECT_EQ(program.pages[1].pageLength, 16 + 220 + 3416u);

  const auto& pageOne = program.pages[0].areas;
  ASSERT_EQ(pageOne.size(), 2u);
  const auto& window = std::get<WindowArea>(pageOne[0].content);
  EXPECT_EQ(window.image.offset, plan.AreaOffset(1, 1) + 28);
  EXPECT_EQ(window.image.pixelWords.data(), block.data() + window.image.offset + 12);
  EXPECT_EQ(window.image.pixelWords.size(), 4u);
  const auto& text = std::get<StringArea>(pageOne[1].content);
  EXPECT_EQ(Bytes(text.text.begin(), text.text.end()), Bytes({'a', 'b', 'c'}));
  EXPECT_EQ(text.stringParamA, 1u);
  EXPECT_EQ(text.stringParamB, 2u);

  const auto& pageTwo = program.pages[1].areas;
  ASSERT_EQ(pageTwo.size(), 2u);
  const auto& month = std::get<DateTimeArea>(pageTwo[0].content);
  EXPECT_EQ(month.dateTimeType, 5);
  EXPECT_EQ(month.glyphs.rasters.size(), 10u);
  const auto& clock = std::get<ClockArea>(pageTwo[1].content);
  EXPECT_EQ(clock.pictures.rasters.size(), 169u);
  EXPECT_EQ(clock.pictures.rasters.back().offset, block.size() - 20);
}

TEST(ProgramReader, StringRecordsPadTheirTextToFourBytes) {
  const struct {
    std::string text;
    uint32_t recordLength;
  } cases[] = {{"", 40}, {"abc", 40}, {"abcd", 44}, {std::string(2047, 'x'), 2084}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.size());
    const OneArea one(testing::StringRecord(c.text));
    EXPECT_EQ(one.area.recordLength, c.recordLength);
    const auto& text = std::get<StringArea>(one.area.content).text;
    EXPECT_EQ(std::string(text.begin(), text.end()), c.text);
  }
}

TEST(ProgramReader, ReadsTheWorkedRasterExamples) {
  const struct {
    uint16_t colorMode;
    Bytes raster;
    uint8_t topWordByte;
  } cases[] = {
      {1, {0x36, 0, 1, 0, 0x20, 0, 1, 0, 0x10, 0, 0, 0, 0, 0, 0, 0xA0}, 0xA0},
      {2, {0x36, 0, 1, 0, 0x10, 0, 4, 0, 0x10, 0, 0, 0, 0, 0, 0, 0xD0}, 0xD0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.colorMode);
    const OneArea one(testing::WindowRecord(c.raster), c.colorMode);
    const RasterView& image = std::get<WindowArea>(one.area.content).image;
    EXPECT_EQ(image.width, 1);
    EXPECT_EQ(image.length, 16u);
    ASSERT_EQ(image.pixelWords.size(), 4u);
    EXPECT_EQ(image.pixelWords[3], c.topWordByte);
  }
}

TEST(ProgramReader, AcceptsEveryRasterSizeTheEncoderWrites) {
  const struct {
    const char* name;
    uint16_t colorMode;
    Bytes raster;
    uint32_t recordLength;
  } cases[] = {
      {"10 x 24 at one bit", 1, testing::Raster(10, 32, 1), 80},
      {"10 x 24 at two bits", 2, testing::Raster(10, 32, 4), 120},
      {"colorMode 0 packs two bits", 0, testing::Raster(3, 16, 4), 52},
      {"colorMode 255 packs two bits", 255, testing::Raster(3, 16, 4), 52},
      {"width 0", 1, testing::Raster(0, 32, 1), 40},
      {"height 0", 1, testing::Raster(5, 0, 1), 40},
      {"no pixel words for a picture not read back", 1, HeaderOnly(testing::Raster(7, 64, 1)), 40},
      {"the largest picture", 1, testing::Raster(2048, 4096, 1), 28 + 1048588},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(OneArea(testing::WindowRecord(c.raster), c.colorMode).area.recordLength,
              c.recordLength);
  }
}

TEST(ProgramReader, NamesTheDateTimeType) {
  const struct {
    int type;
    Bytes descriptor;
    size_t glyphs;
  } cases[] = {
      {0, {}, 0},
      {1, {8, 2, 8, 0, 1, 0, 1, 1, 8, 10, 2, 0, 2, 1, 8, 11, 3, 0, 3, 1, 8, 12}, 13},
      {2, {5, 0, 5, 1, 9, 10, 6, 0, 6, 1}, 11},
      {7, {5, 0, 5, 1}, 10},
      {10, {8, 7, 4, 127}, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    const Bytes record = testing::DateTimeRecord(
        c.descriptor, std::vector<Bytes>(c.glyphs, testing::Raster(9, 32, 1)));
    const OneArea one(record);
    const Area& area = one.area;
    const auto& dateTime = std::get<DateTimeArea>(area.content);
    EXPECT_EQ(dateTime.dateTimeType, c.type);
    EXPECT_EQ(dateTime.descriptor.size(), c.descriptor.size() / 2);
    EXPECT_EQ(dateTime.glyphs.length, area.recordLength - 52);
    EXPECT_EQ(dateTime.glyphs.rasters.size(), c.glyphs);
  }
}

TEST(ProgramReader, ReadsClocksOfTheWorkedSizes) {
  for (const auto& [colorMode, depthCode, recordLength] :
       {std::tuple<uint16_t, uint16_t, uint32_t>{1, 1, 83184}, {2, 4, 164304}}) {
    SCOPED_TRACE(colorMode);
    const OneArea one(testing::ClockRecord(60, depthCode), colorMode);
    const Area& area = one.area;
    EXPECT_EQ(area.recordLength, recordLength);
    EXPECT_EQ(std::get<ClockArea>(area.content).pictures.length, recordLength - 28);
  }
}

// A reception that stops after byte k, for every k, with programLength claiming the k bytes:
// the reader reports a defect inside the bytes it was given and reads none past them.
TEST(ProgramReader, ReportsEveryCutShortProgramInsideItsBytes) {
  const Bytes whole = testing::SampleProgram().Flatten();
  for (size_t k = 0; k < whole.size(); ++k) {
    SCOPED_TRACE(k);
    Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(k));
    if (k >= 8) testing::Put32(cut, 4, static_cast<uint32_t>(k));
    const ReadResult result = ReadProgram(cut);
    ASSERT_FALSE(result.ok());
    EXPECT_LT(result.defect().offset, std::max<size_t>(k, 1));
  }
}

// The fuzz corpus starts from valid programs, so that mutations reach the deep checks; inputs
// kept from past findings are named defect_*.
TEST(ProgramReader, FuzzSeedsAreValidPrograms) {
  const auto corpus = std::filesystem::path(VELTRANE_SOURCE_DIR) / "fuzz/corpus/read_program";
  size_t seeds = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("defect_")) continue;
    SCOPED_TRACE(name);
    std::ifstream in(entry.path(), std::ios::binary);
    const Bytes block{std::istreambuf_iterator<char>(in), {}};
    ReadResult result(Program{});
    ReadOk(block, result);
    ++seeds;
  }
  EXPECT_GE(seeds, 10u);
}

}  // namespace
}  // namespace veltrane::program
