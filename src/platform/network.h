// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace veltrane::platform {

// The system's socket library, for systems that start one per process (Windows Sockets, asked
// for version 1.1). False when it did not start.
bool StartNetworking();
// Stops it again and returns what the system's clean-up returned: 0, or -1 on failure.
int32_t StopNetworking();

}  // namespace veltrane::platform
