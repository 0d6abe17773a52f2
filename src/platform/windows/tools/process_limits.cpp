// SPDX-License-Identifier: MIT
#include "platform/tools/process_limits.h"

namespace veltrane::platform {

// Windows counts no sockets against a per-process limit of open descriptors.
size_t RaiseOpenHandleLimit(size_t wanted) { return wanted; }

void KeepFreedMemory(size_t) {}

}  // namespace veltrane::platform
