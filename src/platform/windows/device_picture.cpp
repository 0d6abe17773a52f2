// SPDX-License-Identifier: MIT
#include "platform/device_picture.h"

#include "gdi.h"

namespace veltrane::platform {

std::optional<PictureRows> ReadDevicePicture(void* hostDc, int32_t width, int32_t height) {
  const HDC source = static_cast<HDC>(hostDc);
  if (source == nullptr || width < 0 || height < 0 ||
      ::GetCurrentObject(source, OBJ_BITMAP) == nullptr) {
    return std::nullopt;
  }
  if (width == 0 || height == 0) return PictureRows{width, height, 0, {}};
  // Copied into a black picture of the asked size first, so that what lies beyond the host's
  // bitmap reads as black, then fetched as 24-bit rows.
  const MemoryDc copy(source);
  BlackBitmap picture(source, copy.get(), width, height);
  if (copy.get() == nullptr || !picture.ok()) return std::nullopt;
  if (!::BitBlt(copy.get(), 0, 0, width, height, source, 0, 0, SRCCOPY)) return std::nullopt;
  return picture.Read();
}

}  // namespace veltrane::platform
