// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

namespace veltrane::platform {

// Asks the system to let this process hold at least `wanted` open handles (a socket each, for a
// command talking to many screens at once), raising its own limit as far as it is allowed to.
// Gives how many it may hold now, which may be fewer than wanted.
size_t RaiseOpenHandleLimit(size_t wanted);

}  // namespace veltrane::platform
