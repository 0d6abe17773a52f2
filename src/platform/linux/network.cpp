// SPDX-License-Identifier: MIT
#include "platform/network.h"

namespace veltrane::platform {

// POSIX sockets need no start or stop.
bool StartNetworking() { return true; }
int32_t StopNetworking() { return 0; }

}  // namespace veltrane::platform
