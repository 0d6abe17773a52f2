// SPDX-License-Identifier: MIT
// The exports whose form only the C interface of the other systems has: AddWindow takes the
// host's picture as an LedBitmap, and COM port numbers stand for device paths the host may map.
#include <string>

#include "api/export_outcome.h"
#include "api/guarded.h"
#include "api/led_bitmap.h"
#include "api/library.h"
#include "common/status.h"
#include "link/com_port_paths.h"
#include "veltrane/veltrane.h"

using veltrane::Status;
using veltrane::api::Built;
using veltrane::api::Guarded;

extern "C" {

VELTRANE_API int32_t AddWindow(int32_t slot, const LedBitmap* source, int32_t width, int32_t height,
                               LedRect area, int32_t paramA, int32_t paramB, int32_t areaParam) {
  return Guarded(0, [&] {
    veltrane::image::PixelView picture;
    if (Status read = veltrane::api::ToPixelView(source, picture); read != Status::Ok)
      return Built(read);
    return veltrane::api::BuildWindow(slot, picture, width, height, area, paramA, paramB,
                                      areaParam);
  });
}

VELTRANE_API int32_t LED_SetComPortPath(int32_t port, const char* path) {
  return Guarded(0, [&] {
    if (veltrane::api::TheLibrary().comPorts().Set(port, path)) return veltrane::api::Succeeded(1);
    return Built({Status::BadArgument, "COM port " + std::to_string(port) +
                                           " is out of range: ports are numbered 1 to " +
                                           std::to_string(veltrane::link::kLastComPort)});
  });
}

}  // extern "C"
