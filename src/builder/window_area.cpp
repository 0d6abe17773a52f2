#include "builder/window_area.h"

#include <optional>

#include "builder/program_slot.h"
#include "raster/raster.h"

namespace veltrane::builder {
namespace {

class WindowItem final : public AreaItem {
 public:
  WindowItem(const WindowArea& fields, const platform::PixelView& source, int32_t width,
             int32_t height)
      : fields_(fields), source_(source), width_(width), height_(height) {}

  size_t RecordLength(uint16_t colorMode) override {
    if (!raster::RasterFits(width_, height_, colorMode)) return 0;
    // Copied from the host's memory only once the size is known to be acceptable.
    picture_ = platform::Surface::FromPixels(source_, width_, height_);
    return kWindowHeaderBytes + static_cast<size_t>(raster::RasterSize(width_, height_, colorMode));
  }

  void Write(std::span<uint8_t> record, uint16_t colorMode) override {
    ByteWriter out(record);
    WriteWindowHeader(out, fields_);
    raster::EncodeRaster(record.subspan(kWindowHeaderBytes), *picture_, width_, height_, colorMode);
  }

 private:
  WindowArea fields_;
  platform::PixelView source_;
  int32_t width_;
  int32_t height_;
  std::optional<platform::Surface> picture_;
};

}  // namespace

void WriteWindowHeader(ByteWriter& out, const WindowArea& fields) {
  WriteAreaHeader(out, program::kWindowTag, fields.areaParam, fields.area);
  out.U16(static_cast<uint16_t>(fields.paramA));
  out.U16(static_cast<uint16_t>(fields.paramB));
  out.Zeros(8);
}

int32_t AddWindow(ProgramSlots& slots, int32_t slot, const WindowArea& fields,
                  const platform::PixelView& source, int32_t width, int32_t height) {
  WindowItem item(fields, source, width, height);
  return slots.AppendArea(slot, item);
}

}  // namespace veltrane::builder
