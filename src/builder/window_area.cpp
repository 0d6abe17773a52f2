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

  Result<size_t> RecordLength(uint16_t colorMode) override {
    if (Status fits = raster::CheckRasterFits(width_, height_, colorMode); fits != Status::Ok)
      return Failure(fits);
    // Copied from the host's memory only once the size is known to be acceptable.
    picture_ = image::Surface::FromPixels(source_, width_, height_);
    return format::kWindowRasterAt +
           static_cast<size_t>(raster::RasterSize(width_, height_, colorMode));
  }

  Result<size_t> Write(std::span<uint8_t> record, uint16_t colorMode) override {
    ByteWriter fields(record);
    WriteWindowHeader(fields, fields_);
    return WindowRecordWritten(fields, raster::EncodeRaster(record.subspan(format::kWindowRasterAt),
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

void WriteWindowHeader(ByteWriter& fields, const WindowArea& area) {
  WriteAreaHeader(fields, format::kWindowTag, area.areaParam, area.area);
  fields.U16At(format::kWindowParamAAt, static_cast<uint16_t>(area.paramA));
  fields.U16At(format::kWindowParamBAt, static_cast<uint16_t>(area.paramB));
}

Result<size_t> WindowRecordWritten(const ByteWriter& fields, int32_t rasterBytes) {
  return Written(fields,
                 rasterBytes > 0 ? format::kWindowRasterAt + static_cast<size_t>(rasterBytes) : 0);
}

Status AddWindow(Program& program, const WindowArea& fields, const image::PixelView& source,
                 int32_t width, int32_t height) {
  WindowItem item(fields, source, width, height);
  return program.AppendArea(item);
}

}  // namespace veltrane::builder
