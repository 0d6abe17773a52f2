// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>

namespace veltrane::platform {

// A wait's milliseconds as poll and epoll_wait take them: an int, so the longest waits are cut
// to INT_MAX rather than turned negative (which would wait for ever).
inline int PollTimeout(uint32_t timeoutMs) {
  return static_cast<int>(std::min<uint32_t>(timeoutMs, INT_MAX));
}

}  // namespace veltrane::platform
