// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <utility>

#include "api/last_error.h"
#include "veltrane/veltrane.h"

namespace veltrane::api {

// Runs an export's body so that nothing escapes it: any exception becomes the export's
// `failure` value, with the thread's last error saying so.
template <class Fn>
int32_t Guarded(int32_t failure, Fn&& body) noexcept {
  try {
    return std::forward<Fn>(body)();
  } catch (...) {
    // Short enough for the string's own buffer, so recording it cannot throw in turn.
    SetLastError(VELTRANE_ERROR_INTERNAL, "internal error");
    return failure;
  }
}

}  // namespace veltrane::api
