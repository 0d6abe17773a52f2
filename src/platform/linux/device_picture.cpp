// SPDX-License-Identifier: MIT
#include "platform/device_picture.h"

namespace veltrane::platform {

// There are no device contexts here: hosts hand their pictures over as bitmaps.
std::optional<PictureRows> ReadDevicePicture(void*, int32_t, int32_t) { return std::nullopt; }

}  // namespace veltrane::platform
