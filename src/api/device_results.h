// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "common/status.h"
#include "protocol/device_commands.h"

namespace veltrane::api {

// The result of a command export: 1 answered, 0 no acceptable reply, -1 no channel.
inline int32_t CommandResult(Status status) {
  switch (status) {
    case Status::Ok:
      return 1;
    case Status::Timeout:
      return 0;
    default:
      return -1;
  }
}

// The result of a query export: the screen's value, or -1 for any failure.
inline int32_t ReadingResult(const protocol::Reading& reading) {
  return reading.status == Status::Ok ? reading.value : -1;
}

// The result of a fixed-target entry point: 0 the screen answered, 1 it did not. Its callers know
// only these two, so a request that could not even be sent is not answered either.
inline int32_t EntryResult(Status status) { return status == Status::Ok ? 0 : 1; }

}  // namespace veltrane::api
