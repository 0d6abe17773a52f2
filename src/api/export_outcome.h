// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "api/last_error.h"
#include "builder/records.h"
#include "common/status.h"
#include "image/surface.h"
#include "veltrane/veltrane.h"

// What the exports of every source file share: how an outcome is recorded as the thread's last
// error and turned into an export's result.
namespace veltrane::api {

// Records `status` as this thread's last error, or clears it for Ok, and passes it on.
inline const Status& Recorded(const Status& status) {
  if (status == Status::Ok)
    ClearLastError();
  else
    SetLastError(status);
  return status;
}

// Passes on the result of a call that cannot fail, clearing the last error.
inline int32_t Succeeded(int32_t result) {
  ClearLastError();
  return result;
}

// The result of a call whose only failure value is 0: 1 when `status` is Ok. Records it.
inline int32_t Built(const Status& status) { return Recorded(status) == Status::Ok ? 1 : 0; }

inline builder::AreaRect ToAreaRect(const LedRect& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

// AddWindow once the host's picture is read, whichever form the host handed it in. Its result.
int32_t BuildWindow(int32_t slot, image::PixelView picture, int32_t width, int32_t height,
                    LedRect area, int32_t paramA, int32_t paramB, int32_t areaParam);

}  // namespace veltrane::api
