// SPDX-License-Identifier: MIT
#include "builder/window_area.h"

#include <optional>

#include "builder/program.h"
#include "raster/raster.h"

namespace veltrane::builder {
namespace {

class WindowItem final : public AreaItem {
 public:
  WindowItem(const WindowArea& fields, const image::PixelView& source, int32_t width,
             int32_t height)
      : fields_(fields), source_(source), width_(width), height_(height) {}

  Status RecordLength(uint16_t colorMode, size_t& length) override {
    if (Status fits = raster::CheckRasterFits(width_, height_, colorMode); fits != Status::Ok)
      return fits;
    // Copied from the host's memory only once the size is known to be acceptable.
    picture_ = image::Surface::FromPixels(source_, width_, height_);
    length = format::kWindowRasterAt +
             static_cast<size_t>(raster::RasterSize(width_, height_, colorMode));
    return Status::Ok;
  }

  size_t Write(std::span<uint8_t> record, uint16_t colorMode) override {
    WriteWindowHeader(record, fields_);
    return WindowRecordWritten(raster::EncodeRaster(record.subspan(format::kWindowRasterAt),
                                                    *picture_, width_, height_, colorMode));
  }

 private:
  WindowArea fields_;
  image::PixelView source_;
  int32_t width_;
  int32_t height_;
  std::optional<image::Surface> picture_;
};

}  // namespace

void WriteWindowHeader(std::span<uint8_t> record, const WindowArea& fields) {
  WriteAreaHeader(record, format::kWindowTag, fields.areaParam, fields.area);
  WriteU16(record, format::kWindowParamAAt, static_cast<uint16_t>(fields.paramA));
  WriteU16(record, format::kWindowParamBAt, static_cast<uint16_t>(fields.paramB));
}

size_t WindowRecordWritten(int32_t rasterBytes) {
  return rasterBytes > 0 ? format::kWindowRasterAt + static_cast<size_t>(rasterBytes) : 0;
}

Status AddWindow(Program& program, const WindowArea& fields, const image::PixelView& source,
                 int32_t width, int32_t height) {
  WindowItem item(fields, source, width, height);
  return program.AppendArea(item);
}

}  // namespace veltrane::builder
