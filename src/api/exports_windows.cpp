// SPDX-License-Identifier: MIT
// The exports whose form only the Windows C interface has: AddWindow reads the host's picture
// from a device context. COM ports are the system's own there, so LED_SetComPortPath is not.
#include "api/export_outcome.h"
#include "api/guarded.h"
#include "common/status.h"
#include "platform/device_picture.h"
#include "raster/raster.h"
#include "veltrane/veltrane.h"

using veltrane::Status;
using veltrane::api::Built;
using veltrane::api::Guarded;

extern "C" {

VELTRANE_API int32_t AddWindow(int32_t slot, HDC sourceDC, int32_t width, int32_t height,
                               LedRect area, int32_t paramA, int32_t paramB, int32_t areaParam) {
  return Guarded(0, [&] {
    // A picture too large to pack even at one bit per pixel is not read at all.
    if (Status fits = veltrane::raster::CheckRasterFits(width, height, 1); fits != Status::Ok)
      return Built(fits);
    const auto picture = veltrane::platform::ReadDevicePicture(sourceDC, width, height);
    if (!picture)
      return Built({Status::BadArgument, "the device context is null or cannot be read"});
    return veltrane::api::BuildWindow(slot, picture->View(), width, height, area, paramA, paramB,
                                      areaParam);
  });
}

}  // extern "C"
