// SPDX-License-Identifier: MIT
#include "builder/clock_area.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "builder/clock_geometry.h"
#include "builder/program.h"
#include "common/byte_reader.h"
#include "format/clock.h"
#include "raster/raster.h"
#include "raster/raster_decode.h"
#include "support/program_bench.h"

namespace veltrane::builder {
namespace {

using raster::Lit;
constexpr size_t kFirstArea = 12 + 16;
constexpr image::Color kRed = 0x0000FF, kGreen = 0x00FF00, kYellow = 0x00FFFF;

class ClockAreas : public ::testing::Test, protected testing::ProgramBench {
 protected:
  // Adds a clock to a fresh program and returns its record.
  std::vector<uint8_t> Add(AreaRect area, int32_t colorMode) {
    EXPECT_EQ(NewPage(colorMode), Status::Ok);
    const ClockColors colors{kRed, kGreen, kYellow, kGreen, kRed, 0};
    EXPECT_EQ(AddClock(area, 0x10005, colors), Status::Ok);
    const std::vector<uint8_t> program = Block();
    return {program.begin() + kFirstArea, program.end()};
  }

  // The pictures of a clock record, stepped through by their own lengths.
  static std::vector<raster::RasterPicture> Pictures(const std::vector<uint8_t>& record) {
    std::vector<raster::RasterPicture> pictures;
    size_t offset = 36;
    while (offset < record.size()) {
      const auto picture = raster::DecodeRaster(std::span(record).subspan(offset));
      if (!picture) break;
      pictures.push_back(*picture);
      offset += ByteReader(record).U32(offset + 8).value();
    }
    EXPECT_EQ(offset, record.size());
    return pictures;
  }
};

TEST_F(ClockAreas, RecordSizesAndHeader) {
  struct Case {
    int32_t colorMode;
    uint32_t recordLength;
  };
  for (const Case c : {Case{1, 83184}, Case{2, 164304}}) {
    SCOPED_TRACE(c.colorMode);
    const auto record = Add({0, 0, 100, 60}, c.colorMode);
    ByteReader read(record);
    ASSERT_EQ(record.size(), c.recordLength);
    EXPECT_EQ(read.U16(0), 0x60);
    EXPECT_EQ(read.U16(2), 5);
    EXPECT_EQ(read.U32(4), c.recordLength);
    EXPECT_EQ(read.U16(12), 100);
    EXPECT_EQ(read.U32(16), 169u);
    EXPECT_EQ(read.U16(28), 0x37);
    EXPECT_EQ(read.U16(30), 169);
    EXPECT_EQ(read.U32(32).value() + 28, c.recordLength);
    const auto pictures = Pictures(record);
    ASSERT_EQ(pictures.size(), 169u);
    for (const auto& p : pictures) EXPECT_EQ(p.oneBit, c.colorMode == 1);
  }
}

TEST_F(ClockAreas, RefusesAreasItCannotPack) {
  NewProgram(1, 1);
  EXPECT_NE(AddClock({0, 0, 64, 64}, 0, {}), Status::Ok);  // no page yet
  ASSERT_EQ(AddLeaf(0), Status::Ok);
  EXPECT_NE(AddClock({10, 0, 0, 64}, 0, {}), Status::Ok);        // right before left
  EXPECT_NE(AddClock({0, 10, 64, 9}, 0, {}), Status::Ok);        // bottom above top
  EXPECT_NE(AddClock({0, 0, 5000, 5000}, 0, {}), Status::Ok);    // pictures over the raster cap
  EXPECT_NE(AddClock({0, 0, 70000, 70000}, 0, {}), Status::Ok);  // sides past 16 bits
  EXPECT_EQ(Block().size(), kFirstArea);
  EXPECT_EQ(AddClock({0, 0, 0, 0}, 0, {}), Status::Ok);  // an empty clock still packs
}

TEST_F(ClockAreas, SidesPastTheLargestPictureOfEachDepthAreRefused) {
  // One bit per pixel packs sides up to 2880, two bits up to 2048 (a picture's pixels within 1
  // MiB).
  for (const auto& [colorMode, side] : {std::pair{1, 2881}, std::pair{2, 2049}}) {
    SCOPED_TRACE(colorMode);
    ASSERT_EQ(NewPage(colorMode), Status::Ok);
    EXPECT_EQ(AddClock({0, 0, side, side}, 0, {}), Status::CannotBuild);
  }
}

// The lit pixel farthest from the centre.
image::Point FarthestLit(const raster::RasterPicture& p, int32_t centre) {
  image::Point far{centre, centre};
  double best = -1;
  for (int32_t y = 0; y < p.height; ++y)
    for (int32_t x = 0; x < p.width; ++x) {
      if (p.At(x, y) == Lit::Dark) continue;
      const double d = std::hypot(x - centre, y - centre);
      if (d > best) best = d, far = {x, y};
    }
  return far;
}

TEST_F(ClockAreas, HandsPointWhereTheirTimeSays) {
  const auto pictures = Pictures(Add({0, 0, 64, 64}, 2));
  const int32_t x = 32;
  // Second hand at 0 s: the column above the centre, up to one short of x - 6 pixels long.
  const auto& up = pictures[109];
  for (int32_t y = 0; y < 64; ++y)
    for (int32_t col = 0; col < 64; ++col)
      EXPECT_EQ(up.At(col, y) != Lit::Dark, col == x && y <= x && y > x - 26) << col << "," << y;
  EXPECT_EQ(up.At(x, x), Lit::Yellow);
  // At 15 s the row to the right of the centre.
  const auto& right = pictures[124];
  for (int32_t col = x; col < x + 26; ++col) EXPECT_EQ(right.At(col, x), Lit::Yellow) << col;
  EXPECT_EQ(right.At(x + 26, x), Lit::Dark);

  // Hour hand upright at picture 1; then 3, 6 and 9 o'clock at pictures 13, 25 and 37.
  struct Case {
    int picture;
    int dx, dy;
  };
  for (const Case c :
       {Case{1, 0, -1}, Case{13, 1, 0}, Case{25, 0, 1}, Case{37, -1, 0}, Case{49, 0, -1}}) {
    SCOPED_TRACE(c.picture);
    const image::Point tip = FarthestLit(pictures[c.picture], x);
    const int32_t along = (tip.x - x) * c.dx + (tip.y - x) * c.dy;
    const int32_t across = std::abs((tip.x - x) * c.dy - (tip.y - x) * c.dx);
    EXPECT_GT(along, 15);
    EXPECT_LE(across, 2);
    EXPECT_EQ(pictures[c.picture].At(tip.x, tip.y), c.picture < 49 ? Lit::Red : Lit::Green);
  }
}

TEST_F(ClockAreas, FaceHasTwelveMarksWithBiggerQuarterMarks) {
  const auto pictures = Pictures(Add({0, 0, 64, 64}, 2));
  ClockGeometry g;
  ASSERT_EQ(ClockGeometryFor(0, 0, 64, 64, g), Status::Ok);
  const auto& face = pictures[0];
  EXPECT_EQ(face.At(0, 32), Lit::Red);  // the ring
  int total = 0;
  for (int i = 0; i < 12; ++i) {
    const Mark mark = HourMark(g, i);
    int green = 0;
    for (int32_t dy = -4; dy <= 4; ++dy)
      for (int32_t dx = -4; dx <= 4; ++dx)
        green += face.At(mark.centre.x + dx, mark.centre.y + dy) == Lit::Green;
    SCOPED_TRACE(i);
    EXPECT_GT(green, 0);
    // A radius-3 disc inside its one-pixel rim holds more than a radius-2 one.
    if (i % 3 == 0)
      EXPECT_GE(green, 9);
    else
      EXPECT_LT(green, 9);
    total += green;
  }
  int allGreen = 0;
  for (Lit p : face.pixels) allGreen += p == Lit::Green;
  EXPECT_EQ(allGreen, total);  // nothing green beyond the twelve marks
}

TEST_F(ClockAreas, HandPicturesEqualTurningTheWholeUprightPicture) {
  // The plain way: the whole upright picture blitted onto one destination that is never cleared.
  for (int32_t side : {31, 64}) {
    SCOPED_TRACE(side);
    const auto record = Add({0, 0, side, side}, 2);
    ClockGeometry g;
    ASSERT_EQ(ClockGeometryFor(0, 0, side, side, g), Status::Ok);
    const size_t pictureBytes = static_cast<size_t>(raster::RasterSize(side, side, 2));
    size_t index = 1;
    for (const auto& [kite, color, positions] :
         {std::tuple{HourKite(g), kRed, static_cast<int>(format::kHourPositions)},
          std::tuple{MinuteKite(g), kGreen, static_cast<int>(format::kMinutePositions)}}) {
      image::Surface upright(side, side);
      const image::Point outline[] = {kite.tail, kite.left, kite.tip, kite.right, kite.tail};
      for (int i = 0; i < 4; ++i) upright.Line(outline[i], outline[i + 1], color);
      upright.FloodFill({g.centre, g.centre}, color, color);
      image::Surface turned(side, side);
      for (int p = 0; p < positions; ++p, ++index) {
        const auto corners = positions == static_cast<int>(format::kHourPositions)
                                 ? TurnedCorners(g, p / 4, p % 4)
                                 : TurnedCorners(g, 0, p);
        turned.ParallelogramBlit(upright, corners);
        std::vector<uint8_t> expected(pictureBytes);
        raster::EncodeRaster(expected, turned, side, side, 2);
        const size_t offset = 36 + index * pictureBytes;
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), record.begin() + offset)) << index;
      }
    }
  }
}

}  // namespace
}  // namespace veltrane::builder
