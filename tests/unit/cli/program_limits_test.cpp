// SPDX-License-Identifier: MIT
// What the command refuses for size before spending the memory: programs past what a screen
// accepts, and preview pictures past what a preview draws.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <variant>

#include "commands.h"
#include "common/status_text.h"
#include "format/packets.h"
#include "preview.h"
#include "program/program_reader.h"
#include "program_builder.h"
#include "support/program_bench.h"

namespace veltrane::cli {
namespace {

Area ClockArea(int32_t side) { return {{0, 0, side, side}, {}, cli::ClockArea{}}; }
Area StringArea(Rect rect) { return {rect, {}, cli::StringArea{"x", 0, 0}}; }

// The program the builder makes of one page of clocks, built with no size limit.
size_t UnlimitedClocksLength(std::initializer_list<int32_t> sides) {
  testing::ProgramBench bench;
  EXPECT_EQ(bench.NewPage(2), Status::Ok);
  for (int32_t side : sides) EXPECT_EQ(bench.AddClock({0, 0, side, side}, 0, {}), Status::Ok);
  return bench.Block().size();
}

TEST(ProgramLimit, AnAreaTakingTheProgramPastItIsRefusedWithTheSizeItWouldHave) {
  struct Case {
    std::vector<Area> areas;
    std::string error;
  };
  const auto past = [](const char* area, size_t length) {
    return std::string("pages[0].") + area + ": this takes the program to " +
           std::to_string(length) + " bytes, past its limit of 2097152 bytes";
  };
  const Case cases[] = {
      {{ClockArea(256)}, past("areas[0]", UnlimitedClocksLength({256}))},
      {{ClockArea(160), ClockArea(160)}, past("areas[1]", UnlimitedClocksLength({160, 160}))},
      {{ClockArea(160)}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    ProgramFile file;
    file.pages.push_back({0, c.areas});
    const BuiltProgram built = BuildProgram(file);
    if (c.error.empty()) {
      ASSERT_TRUE(built);
      EXPECT_LE(built->size(), format::kMaxProgramBytes);
    } else {
      ASSERT_FALSE(built);
      EXPECT_EQ(StatusText(built.error()), c.error);
    }
  }
}

std::vector<uint8_t> Built(const ProgramFile& file) {
  BuiltProgram built = BuildProgram(file);
  EXPECT_TRUE(built);
  return built ? *std::move(built) : std::vector<uint8_t>{};
}

TEST(PreviewLimit, ThePictureIsMeasuredAsItWillBeDrawn) {
  ProgramFile twoPages;
  twoPages.pages = {{0, {StringArea({0, 0, 40, 8}), ClockArea(16)}},
                    {0, {StringArea({0, 0, 7, 30})}}};
  ProgramFile emptyPages;
  emptyPages.pages = {{0, {}}, {0, {}}, {0, {}}};
  ProgramFile widePage;  // the squares' scale is lowered to keep 16384 pixels a side
  widePage.pages = {{0, {StringArea({0, 0, 4000, 2})}}};
  const PreviewLook looks[] = {
      {1, PreviewStyle::Squares, false},
      {4, PreviewStyle::Squares, false},
      {32, PreviewStyle::Squares, false},
      {3, PreviewStyle::Dots, false},
      {5, PreviewStyle::Squares, true},
      {2, PreviewStyle::Dots, true},
      {1, PreviewStyle::Squares, false, std::nullopt, render::PictureSize{50, 20}},
      {3, PreviewStyle::Dots, true, 0, render::PictureSize{9, 70}},
  };
  for (const ProgramFile* file : {&twoPages, &emptyPages, &widePage}) {
    const std::vector<uint8_t> block = Built(*file);
    const program::ReadResult read = program::ReadProgram(block);
    ASSERT_TRUE(read.ok());
    for (const PreviewLook& look : looks) {
      SCOPED_TRACE(::testing::Message()
                   << file->pages.size() << " pages, scale " << look.scale << ", dots "
                   << (look.style == PreviewStyle::Dots) << ", labels " << look.labels);
      const render::PictureSize size = PreviewSize(read.program(), look);
      const auto picture = PictureProgram(read.program(), block, {}, look);
      ASSERT_TRUE(picture);
      EXPECT_EQ(picture->width, size.width);
      EXPECT_EQ(picture->height, size.height);
    }
  }
}

TEST(PreviewLimit, PagesTakeTheScreensSizeWhereverTheirAreasReach) {
  ProgramFile file;
  file.pages = {{0, {StringArea({0, 0, 40, 8}), ClockArea(16)}}, {0, {StringArea({0, 0, 7, 30})}}};
  const std::vector<uint8_t> block = Built(file);
  const program::ReadResult read = program::ReadProgram(block);
  ASSERT_TRUE(read.ok());
  const PreviewLook look{1, PreviewStyle::Squares, false, std::nullopt,
                         render::PictureSize{50, 20}};
  const auto picture = PictureProgram(read.program(), block, {}, look);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 50 + 1 + 50);
  EXPECT_EQ(picture->height, 20);
}

TEST(PreviewLimit, APictureTooLargeIsRefusedBeforeItIsDrawn) {
  struct Case {
    Rect rect;
    PreviewLook look;
    std::string error;  // empty: drawn
  };
  const Case cases[] = {
      // A page as large as a screen can address is pictured up to 4096 a side, then scaled.
      {{0, 0, 65535, 65535},
       {4, PreviewStyle::Squares, false},
       "the picture would be 16384 x 16384 pixels, more than the 16777216 a preview may have"},
      {{0, 0, 65535, 65535}, {1, PreviewStyle::Squares, false}, ""},
      {{0, 0, 4096, 2048},
       {2, PreviewStyle::Dots, false},
       "the picture would be 8192 x 4096 pixels, more than the 16777216 a preview may have"},
      {{0, 0, 2048, 2048}, {2, PreviewStyle::Dots, false}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    ProgramFile file;
    file.pages = {{0, {StringArea(c.rect)}}};
    const std::vector<uint8_t> block = Built(file);
    const program::ReadResult read = program::ReadProgram(block);
    ASSERT_TRUE(read.ok());
    const auto picture = PictureProgram(read.program(), block, {}, c.look);
    if (c.error.empty()) {
      EXPECT_TRUE(picture);
    } else {
      ASSERT_FALSE(picture);
      EXPECT_EQ(StatusText(picture.error()), c.error);
    }
  }
}

}  // namespace
}  // namespace veltrane::cli
