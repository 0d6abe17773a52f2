// SPDX-License-Identifier: MIT
#include "builder/clock_area.h"

#include "builder/clock_geometry.h"
#include "builder/program.h"
#include "format/clock.h"
#include "raster/raster.h"

namespace veltrane::builder {
namespace {

// Packs pictures one after another into the record's raster list, in the order format/clock.h
// gives.
class PicturePacker {
 public:
  PicturePacker(std::span<uint8_t> record, int32_t side, uint16_t colorMode)
      : record_(record), side_(side), colorMode_(colorMode) {}

  void Add(const image::Surface& picture) {
    if (failed_) return;
    const int32_t written =
        raster::EncodeRaster(record_.subspan(position_), picture, side_, side_, colorMode_);
    failed_ = written == 0;
    position_ += static_cast<size_t>(written);
  }

  // The end of the last picture, or 0 when one did not fit.
  size_t Written() const { return failed_ ? 0 : position_; }

 private:
  std::span<uint8_t> record_;
  size_t position_ = format::kClockPicturesAt;
  bool failed_ = false;
  int32_t side_;
  uint16_t colorMode_;
};

image::Surface DrawFace(const ClockGeometry& g, const ClockColors& colors) {
  image::Surface face(g.side, g.side);
  face.FillRect(0, 0, g.side, g.side, colors.face);
  face.Ellipse(0, 0, 2 * g.centre, 2 * g.centre, colors.ring, colors.face);
  for (int i = 0; i < 12; ++i) {
    const Mark mark = HourMark(g, i);
    face.Ellipse(mark.centre.x - mark.radius, mark.centre.y - mark.radius,
                 mark.centre.x + mark.radius, mark.centre.y + mark.radius, colors.face,
                 colors.mark);
  }
  return face;
}

// A hand drawn once, upright: its outline closed and filled solid.
image::Surface DrawUprightHand(const ClockGeometry& g, const Kite& kite, image::Color color) {
  image::Surface hand(g.side, g.side);
  const Point outline[] = {kite.tail, kite.left, kite.tip, kite.right, kite.tail};
  for (size_t i = 0; i + 1 < std::size(outline); ++i) hand.Line(outline[i], outline[i + 1], color);
  hand.FloodFill({g.centre, g.centre}, color, color);
  return hand;
}

// The part of an upright hand's picture that can be lit: the kite's bounding box.
image::Box KiteBox(const Kite& kite) {
  return {kite.left.x, kite.tip.y, kite.right.x + 1, kite.tail.y + 1};
}

// Turns the upright hand into each position in turn. The destination is never cleared as a
// whole: every turned square covers the whole disc the hand sweeps and is black outside the
// kite, so only the kite is blitted and the pixels it wrote go back to black afterwards.
template <class Positions>
void PackTurnedHand(const ClockGeometry& g, const image::Surface& upright, const Kite& kite,
                    Positions positions, PicturePacker& packer) {
  image::Surface turned(g.side, g.side);
  positions([&](int turns30, int turns6) {
    const image::Box written =
        turned.ParallelogramBlit(upright, TurnedCorners(g, turns30, turns6), KiteBox(kite));
    packer.Add(turned);
    turned.FillRect(written.left, written.top, written.right, written.bottom, image::kBlack);
  });
}

class ClockItem final : public AreaItem {
 public:
  ClockItem(const AreaRect& area, int32_t areaParam, const ClockColors& colors,
            const ClockGeometry& geometry)
      : area_(area), areaParam_(areaParam), colors_(colors), g_(geometry) {}

  Result<size_t> RecordLength(uint16_t colorMode) override {
    if (Status fits = raster::CheckRasterFits(g_.side, g_.side, colorMode); fits != Status::Ok)
      return Failure(fits);
    const int32_t picture = raster::RasterSize(g_.side, g_.side, colorMode);
    return format::kClockPicturesAt + format::kClockPictureCount * static_cast<size_t>(picture);
  }

  Result<size_t> Write(std::span<uint8_t> record, uint16_t colorMode) override {
    ByteWriter fields(record);
    WriteAreaHeader(fields, format::kClockTag, areaParam_, area_);
    fields.U32At(format::kClockImageCountAt, format::kClockPictureCount);
    if (!fields.ok()) return Failure(fields.failure());
    if (!raster::WriteRasterList(record.subspan(format::kClockListAt),
                                 {format::kClockPictureCount,
                                  static_cast<uint32_t>(record.size() - format::kClockListAt)})) {
      return 0;
    }

    PicturePacker packer(record, g_.side, colorMode);
    packer.Add(DrawFace(g_, colors_));
    const Kite hour = HourKite(g_);
    PackTurnedHand(
        g_, DrawUprightHand(g_, hour, colors_.hour), hour,
        [](auto each) {
          for (int k = 0; k < 12; ++k)
            for (int j = 0; j < static_cast<int>(format::kHourPicturesPerHour); ++j) each(k, j);
        },
        packer);
    const Kite minute = MinuteKite(g_);
    PackTurnedHand(
        g_, DrawUprightHand(g_, minute, colors_.minute), minute,
        [](auto each) {
          for (int m = 0; m < static_cast<int>(format::kMinutePositions); ++m) each(0, m);
        },
        packer);
    image::Surface second(g_.side, g_.side);
    for (int n = 0; n < static_cast<int>(format::kSecondPositions); ++n) {
      second.FillRect(0, 0, g_.side, g_.side, image::kBlack);
      second.Line({g_.centre, g_.centre}, SecondHandEnd(g_, n), colors_.second);
      packer.Add(second);
    }
    return packer.Written();
  }

 private:
  AreaRect area_;
  int32_t areaParam_;
  ClockColors colors_;
  ClockGeometry g_;
};

}  // namespace

Status AddClock(Program& program, const AreaRect& area, int32_t areaParam,
                const ClockColors& colors) {
  ClockGeometry geometry;
  if (Status fits = ClockGeometryFor(area.left, area.top, area.right, area.bottom, geometry);
      fits != Status::Ok)
    return fits;
  ClockItem item(area, areaParam, colors, geometry);
  return program.AppendArea(item);
}

}  // namespace veltrane::builder
