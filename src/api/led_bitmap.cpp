#include "api/led_bitmap.h"

namespace veltrane::api {

std::optional<image::PixelView> ToPixelView(const LedBitmap* bitmap) {
  if (bitmap == nullptr || bitmap->width < 0 || bitmap->height < 0) return std::nullopt;
  int32_t bytesPerPixel = 0;
  switch (bitmap->format) {
    case 0:
      bytesPerPixel = 3;
      break;
    case 1:
      bytesPerPixel = 4;
      break;
    default:
      return std::nullopt;
  }
  const bool hasPixels = bitmap->width > 0 && bitmap->height > 0;
  if (hasPixels && (bitmap->pixels == nullptr ||
                    int64_t{bitmap->stride} < int64_t{bitmap->width} * bytesPerPixel)) {
    return std::nullopt;
  }
  return image::PixelView{bitmap->pixels, bitmap->width, bitmap->height, bitmap->stride,
                          bytesPerPixel};
}

}  // namespace veltrane::api
