// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "platform/handle.h"
#include "platform/wait.h"

namespace veltrane::platform {

// A set of Waitables watched together for input, registered once and waited on many times
// (an event loop's wait costs the same however many objects it watches).
class InputWatch {
 public:
  InputWatch();
  InputWatch(const InputWatch&) = delete;
  InputWatch& operator=(const InputWatch&) = delete;

  // Watches `source` (ignored when it is not open) under `key`; false when the system refused
  // (always on Windows, which has no such set).
  bool Add(const Waitable& source, uint32_t key);
  // Stops watching `source`, before it is closed.
  void Remove(const Waitable& source);
  // Blocks until a watched object has input or hangs up, or `timeoutMs` pass. Sets `ready[key]`
  // for each such object (keys beyond `ready` are dropped); false when nothing was ready.
  bool Wait(std::span<bool> ready, uint32_t timeoutMs);

 private:
  UniqueHandle watch_;
};

}  // namespace veltrane::platform
