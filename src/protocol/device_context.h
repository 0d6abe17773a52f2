#pragma once

#include "common/busy_count.h"
#include "platform/clock.h"

namespace veltrane::protocol {

// What a device operation uses of the library's state: the clock its receive windows run on and
// the count of operations in progress.
struct DeviceContext {
  platform::Clock& clock;
  BusyCount& busy;
};

}  // namespace veltrane::protocol
