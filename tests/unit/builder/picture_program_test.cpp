// SPDX-License-Identifier: MIT
// A whole program of drawn areas, flattened as it is sent, walked record by record: every length
// field must agree with the bytes that follow it.
#include <gtest/gtest.h>

#include <vector>

#include "builder/program.h"
#include "builder/string_area.h"
#include "builder/text_area.h"
#include "builder/window_area.h"
#include "common/byte_reader.h"
#include "raster/raster.h"
#include "support/program_bench.h"

namespace veltrane::builder {
namespace {

using Bytes = std::vector<uint8_t>;

struct Walked {
  uint16_t pages = 0;
  std::vector<uint16_t> tags;  // every area's tag, in order
  std::vector<uint32_t> recordLengths;
};

// Steps through pages and areas by their own length fields, checking each against the block.
Walked Walk(const Bytes& program) {
  ByteReader in(program);
  Walked walked;
  EXPECT_EQ(in.U32(4), program.size());
  walked.pages = in.U16(2).value();
  size_t at = format::kRootSize;
  for (uint16_t page = 0; page < walked.pages; ++page) {
    EXPECT_EQ(in.U16(at), format::kLeafTag);
    const uint16_t items = in.U16(at + 2).value();
    const size_t pageEnd = at + in.U32(at + 12).value();
    at += format::kLeafSize;
    for (uint16_t item = 0; item < items; ++item) {
      const uint16_t tag = in.U16(at).value();
      const uint32_t length = in.U32(at + 4).value();
      walked.tags.push_back(tag);
      walked.recordLengths.push_back(length);
      if (tag == format::kWindowTag) {
        // The RasterImage fills the record exactly, and its words match its header.
        const size_t raster = at + format::kWindowRasterAt;
        EXPECT_EQ(in.U16(raster), format::kRasterImageTag);
        const uint32_t rasterLength = in.U32(raster + 8).value();
        EXPECT_EQ(format::kWindowRasterAt + rasterLength, length);
        const uint32_t rowsPerWord = in.U16(raster + 6) == format::kDepthOneBit ? 32 : 16;
        EXPECT_EQ(rasterLength,
                  12 + 4 * in.U16(raster + 2).value() * (in.U16(raster + 4).value() / rowsPerWord));
      }
      at += length;
    }
    EXPECT_EQ(at, pageEnd);
  }
  EXPECT_EQ(at, program.size());
  return walked;
}

class PictureProgram : public ::testing::Test, protected testing::ProgramBench {};

TEST_F(PictureProgram, TextWindowAndStringAreasFlattenIntoAConsistentBlock) {
  for (int32_t colorMode : {1, 2}) {
    SCOPED_TRACE(colorMode);
    NewProgram(1, colorMode);
    ASSERT_EQ(AddLeaf(1), Status::Ok);
    ASSERT_EQ(AddText({{0, 0, 128, 16}}, {12, 0x0000FF}, "12:30 Monday", "DejaVu Sans"),
              Status::Ok);
    const uint8_t pixels[3 * 5 * 7] = {0xFF, 0x00, 0xFF};
    ASSERT_EQ(AddWindow({{0, 16, 5, 23}}, {pixels, 5, 7, 15, 3}, 5, 7), Status::Ok);
    ASSERT_EQ(AddLeaf(2), Status::Ok);
    ASSERT_EQ(AddString({{0, 0, 64, 16}}, "plain"), Status::Ok);
    ASSERT_EQ(AddText({{0, 16, 64, 32}}, {9, 0x00FFFF}, "\xE5\xB9\xB4", "Arial"), Status::Ok);

    const Bytes program = std::move(this->program).TakeBytes().value();
    const Walked walked = Walk(program);
    EXPECT_EQ(walked.pages, 2);
    EXPECT_EQ(walked.tags, (std::vector<uint16_t>{format::kWindowTag, format::kWindowTag,
                                                  format::kStringTag, format::kWindowTag}));
    // The window area: 28 bytes and a 5-column raster of one word per column.
    EXPECT_EQ(walked.recordLengths[1], format::kWindowRasterAt + 12 + 5 * 4);
  }
}

}  // namespace
}  // namespace veltrane::builder
