// SPDX-License-Identifier: MIT
#pragma once

#include "common/busy_count.h"
#include "platform/clock.h"

namespace veltrane::protocol {

class ExchangeWatcher;

// What a device operation uses of the library's state: the clock its receive windows run on and
// the count of operations in progress; and, for a tool that shows the conversation, who is told
// of every try and reply.
struct DeviceContext {
  platform::Clock& clock;
  BusyCount& busy;
  ExchangeWatcher* watcher = nullptr;
};

}  // namespace veltrane::protocol
