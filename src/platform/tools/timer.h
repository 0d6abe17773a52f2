// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "platform/wait.h"

namespace veltrane::platform {

// Nanoseconds on the system's monotonic clock, which never steps back; only differences of two
// readings mean anything.
uint64_t MonotonicNs();

// A timer on that clock that an event loop watches with its other inputs: it becomes readable
// once the time it was set for has come, to the nanosecond the system allows rather than to the
// millisecond of a wait's timeout.
class Timer final : public Waitable {
 public:
  Timer();
  // Makes the timer readable at `dueNs` (at once when that has passed), replacing any earlier
  // setting.
  void SetFor(uint64_t dueNs);
  // Makes the timer unreadable until it comes due again.
  void Clear();
};

}  // namespace veltrane::platform
