// SPDX-License-Identifier: MIT
#include "program/program_text.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "program/program_reader.h"
#include "program_samples.h"

namespace veltrane::program {
namespace {

using testing::Bytes;
using testing::ProgramPlan;

std::string Describe(const Bytes& block) {
  const ReadResult result = ReadProgram(block);
  if (!result.ok()) return result.defect().message;
  return DescribeProgram(result.program());
}

TEST(ProgramText, PrintsOneLinePerRecordWithEveryCountAndLength) {
  const Bytes window = testing::WindowRecord(testing::Raster(1, 32, 1), 3, 4, 5, {1, 2, 3, 4});
  const Bytes text = testing::StringRecord("a\"\\\xC8", 7, 8, 9, {0xFFFF, 0, 0x1170, 16});
  const Bytes block = ProgramPlan{0x2345, 1, {{5, {window, text}}, {6, {}}}}.Flatten();
  EXPECT_EQ(Describe(block),
            "@0 root: rootType 9029, pageCount 2, programLength 132, colorMode 1 (1 bit per "
            "pixel)\n"
            "  @12 page 1: itemCount 2, pageParam 5, pageLength 104\n"
            "    @28 area 1 window: areaParam 3, recordLength 44, rect (1, 2, 3, 4), paramA 4, "
            "paramB 5\n"
            "      @56 raster: width 1, paddedHeight 32, depthCode 1, length 16\n"
            "    @72 area 2 string: areaParam 9, recordLength 44, rect (65535, 0, 4464, 16), "
            "paramA 0, paramB 0, stringParamA 7, stringParamB 8, text \"a\\\"\\\\\\xC8\" (4 "
            "bytes)\n"
            "  @116 page 2: itemCount 0, pageParam 6, pageLength 16\n");
}

TEST(ProgramText, ListsEveryGlyphAndPicture) {
  const Bytes weekday =
      testing::DateTimeRecord({8, 7, 4, 127}, std::vector<Bytes>(8, testing::Raster(2, 32, 1)));
  const Bytes block = ProgramPlan{1, 1, {{0, {weekday, testing::ClockRecord(2, 1)}}}}.Flatten();
  const std::string text = Describe(block);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4 + 8 + 2 + 169);
  for (const char* line : {
           "    @28 area 1 date-time: areaParam 0, recordLength 220, rect (0, 0, 0, 0), "
           "dateTimeType 10, descriptor [8 7, 4 127]\n",
           "      @80 glyph list: count 8, length 168\n",
           "        @228 glyph 7: width 2, paddedHeight 32, depthCode 1, length 20\n",
           "      @276 picture list: count 169, length 3388\n",
           "        @3644 picture 168: width 2, paddedHeight 32, depthCode 1, length 20\n",
       }) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace veltrane::program
