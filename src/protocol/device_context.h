#pragma once

#include "common/busy_count.h"
#include "link/com_port_paths.h"
#include "platform/clock.h"

namespace veltrane::protocol {

// What a device operation uses of the library's state: the clock its receive windows run on,
// the count of operations in progress, and the device path of each COM port.
struct DeviceContext {
  platform::Clock& clock;
  BusyCount& busy;
  const link::ComPortPaths& comPorts;
};

}  // namespace veltrane::protocol
