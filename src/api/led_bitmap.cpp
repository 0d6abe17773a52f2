// SPDX-License-Identifier: MIT
#include "api/led_bitmap.h"

#include <string>

namespace veltrane::api {
namespace {

Status Malformed(const std::string& what) { return {Status::BadArgument, "the bitmap " + what}; }

}  // namespace

Status ToPixelView(const LedBitmap* bitmap, image::PixelView& view) {
  if (bitmap == nullptr) return {Status::BadArgument, "the bitmap is a null pointer"};
  if (bitmap->width < 0 || bitmap->height < 0)
    return Malformed("has a negative size: " + std::to_string(bitmap->width) + " x " +
                     std::to_string(bitmap->height));
  int32_t bytesPerPixel = 0;
  switch (bitmap->format) {
    case VELTRANE_BITMAP_BGR:
      bytesPerPixel = 3;
      break;
    case VELTRANE_BITMAP_BGRX:
      bytesPerPixel = 4;
      break;
    default:
      return Malformed("format " + std::to_string(bitmap->format) +
                       " is unknown: VELTRANE_BITMAP_BGR or VELTRANE_BITMAP_BGRX");
  }
  if (bitmap->width > 0 && bitmap->height > 0) {
    if (bitmap->pixels == nullptr) return Malformed("pixels are a null pointer");
    if (int64_t{bitmap->stride} < int64_t{bitmap->width} * bytesPerPixel)
      return Malformed("rows are " + std::to_string(bitmap->stride) +
                       " bytes apart, shorter than " + std::to_string(bitmap->width) +
                       " pixels of " + std::to_string(bytesPerPixel) + " bytes");
  }
  view = image::PixelView{bitmap->pixels, bitmap->width, bitmap->height, bitmap->stride,
                          bytesPerPixel};
  return Status::Ok;
}

}  // namespace veltrane::api
