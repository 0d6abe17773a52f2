// SPDX-License-Identifier: MIT
#pragma once

#include "common/status.h"
#include "platform/wait.h"

namespace veltrane::platform {

// An event that one thread makes readable to wake another from a wait.
class WakeupEvent final : public Waitable {
 public:
  WakeupEvent();
  void Signal();
  // Makes the event unreadable again.
  void Clear();
};

// Becomes readable when the user asks the process to stop (SIGINT or SIGTERM on Linux).
class StopRequest final : public Waitable {
 public:
  // Takes those requests away from their default handling for the calling thread (and the threads
  // it starts later) and turns them into input here. Call it before starting threads. Fails
  // on Windows, saying it is not available there.
  Status Open();
};

}  // namespace veltrane::platform
