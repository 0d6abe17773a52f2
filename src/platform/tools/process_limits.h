// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

namespace veltrane::platform {

// Asks the system to let this process hold at least `wanted` open handles (a socket each, for a
// command talking to many screens at once), raising its own limit as far as it is allowed to.
// Gives how many it may hold now, which may be fewer than wanted.
size_t RaiseOpenHandleLimit(size_t wanted);

// Lets the process keep the memory it frees, up to `bytes` at a time, for its next allocations
// rather than handing it back to the system at once. A server that draws a picture of megabytes
// for every request otherwise spends most of its time having the system give it zeroed pages.
void KeepFreedMemory(size_t bytes);

}  // namespace veltrane::platform
