// SPDX-License-Identifier: MIT
#include "builder/window_area.h"

#include <gtest/gtest.h>

#include <vector>

#include "builder/program.h"
#include "common/byte_reader.h"
#include "raster/raster.h"
#include "support/program_bench.h"

namespace veltrane::builder {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t kFirstArea = 12 + 16;

// A host picture of 3-byte pixels with every row padded by two spare bytes.
struct HostPicture {
  HostPicture(int32_t width, int32_t height)
      : width(width),
        height(height),
        stride(3 * width + 2),
        bytes(static_cast<size_t>(stride) * static_cast<size_t>(height), 0) {}
  void Set(int32_t x, int32_t y, uint8_t red, uint8_t green, uint8_t blue) {
    uint8_t* p = &bytes[static_cast<size_t>(y * stride + 3 * x)];
    p[0] = blue;
    p[1] = green;
    p[2] = red;
  }
  image::PixelView View() const { return {bytes.data(), width, height, stride, 3}; }

  int32_t width, height, stride;
  Bytes bytes;
};

class WindowAreas : public ::testing::TestWithParam<int32_t>, protected testing::ProgramBench {
 protected:
  void SetUp() override { Start(GetParam()); }

  void Start(int32_t colorMode) { ASSERT_EQ(NewPage(colorMode), Status::Ok); }
  // The first area's record.
  Bytes Record() {
    const Bytes program = Block();
    return Bytes(program.begin() + kFirstArea, program.end());
  }
};

TEST(WindowArea, RecordBytes) {
  testing::ProgramBench bench;
  ASSERT_EQ(bench.NewPage(1), Status::Ok);
  HostPicture picture(2, 3);
  picture.Set(0, 0, 255, 0, 0);
  picture.Set(0, 2, 200, 0, 0);
  picture.Set(1, 1, 97, 255, 255);
  const WindowArea fields{{-1, 0, 70000, 16}, 0x12345, 0x10007, 8};
  ASSERT_EQ(bench.AddWindow(fields, picture.View(), 2, 3), Status::Ok);
  const Bytes program = bench.Block();
  const Bytes record(program.begin() + kFirstArea, program.end());
  EXPECT_EQ(record, (Bytes{
                        0x31, 0x00, 0x45, 0x23, 0x30, 0x00, 0x00, 0x00,  // tag, areaParam, length
                        0xFF, 0xFF, 0x00, 0x00, 0x70, 0x11, 0x10, 0x00,  // the area's low 16 bits
                        0x07, 0x00, 0x08, 0x00,                          // paramA, paramB
                        0,    0,    0,    0,    0,    0,    0,    0,     // reserved
                        0x36, 0x00, 0x02, 0x00, 0x20, 0x00, 0x01, 0x00,  // RasterImage 2 x 32
                        0x14, 0x00, 0x00, 0x00,                          // its length, 20
                        0x00, 0x00, 0x00, 0xA0,                          // column 0: rows 0, 2
                        0x00, 0x00, 0x00, 0x40,                          // column 1: row 1
                    }));
}

TEST_P(WindowAreas, RecordLengthIsTheHeaderAndTheRaster) {
  const HostPicture picture(10, 24);
  ASSERT_EQ(AddWindow({}, picture.View(), 10, 24), Status::Ok);
  const Bytes record = Record();
  const uint32_t expected = GetParam() == 1 ? 80 : 120;  // 52- and 92-byte rasters
  ASSERT_EQ(record.size(), expected);
  EXPECT_EQ(ByteReader(record).U32(4), expected);
  const Bytes program = Block();
  EXPECT_EQ(ByteReader(program).U32(4), 12 + 16 + expected);   // programLength
  EXPECT_EQ(ByteReader(program).U16(12 + 2), 1);               // itemCount
  EXPECT_EQ(ByteReader(program).U32(12 + 12), 16 + expected);  // pageLength
}

TEST_P(WindowAreas, PixelsBeyondTheHostPictureAreBlack) {
  HostPicture picture(1, 1);
  picture.Set(0, 0, 255, 255, 255);
  ASSERT_EQ(AddWindow({}, picture.View(), 3, 2), Status::Ok);
  const Bytes record = Record();
  const Bytes raster(record.begin() + format::kWindowRasterAt, record.end());
  EXPECT_EQ(ByteReader(raster).U32(12), GetParam() == 1 ? 0x80000000u : 0xC0000000u);
  EXPECT_EQ(ByteReader(raster).U32(16), 0u);
  EXPECT_EQ(ByteReader(raster).U32(20), 0u);
}

TEST_P(WindowAreas, EmptyPicturesAreTheRasterHeaderAlone) {
  const HostPicture picture(0, 0);
  for (auto [width, height] : {std::pair{0, 20}, {20, 0}}) {
    SCOPED_TRACE(::testing::Message() << width << "x" << height);
    Start(GetParam());
    ASSERT_EQ(AddWindow({}, picture.View(), width, height), Status::Ok);
    EXPECT_EQ(Record().size(), format::kWindowRasterAt + 12);
  }
}

TEST_P(WindowAreas, PicturesThatCannotBePackedAreRefusedAndChangeNothing) {
  const HostPicture picture(4, 4);
  const int32_t tooWide = GetParam() == 1 ? 2049 : 1025;  // beside 4096 rows: over 1 MiB
  const std::pair<int32_t, int32_t> sizes[] = {{-1, 4},    {4, -1},         {65536, 1},
                                               {1, 65536}, {tooWide, 4096}, {INT32_MIN, INT32_MIN}};
  const Bytes before = Block();
  for (auto [width, height] : sizes) {
    SCOPED_TRACE(::testing::Message() << width << "x" << height);
    EXPECT_NE(AddWindow({}, picture.View(), width, height), Status::Ok);
    EXPECT_EQ(Block(), before);
  }
  // The largest picture that fits is taken.
  EXPECT_EQ(AddWindow({}, picture.View(), tooWide - 1, 4096), Status::Ok);
}

INSTANTIATE_TEST_SUITE_P(ColorModes, WindowAreas, ::testing::Values(1, 2));

}  // namespace
}  // namespace veltrane::builder
