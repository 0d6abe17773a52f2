// SPDX-License-Identifier: MIT
#pragma once

namespace veltrane::platform {

// On POSIX systems every handle is a file descriptor.
using NativeHandle = int;
inline constexpr NativeHandle kNoHandle = -1;

}  // namespace veltrane::platform
