#pragma once

#include <cstdint>
#include <span>

namespace veltrane::platform {

// What a wait on a descriptor saw.
enum class WaitResult {
  Ready,     // input is waiting
  TimedOut,  // nothing arrived in time
  Broken,    // the descriptor hung up or failed: nothing more will arrive on it
};

// Blocks until `fd` has input or `timeoutMs` have passed, whichever comes first. Costs no CPU
// while it waits and wakes as soon as input arrives.
WaitResult WaitReadable(int fd, uint32_t timeoutMs);

// Waits on several descriptors at once (-1 entries are skipped). On return `ready[i]` says whether
// `fds[i]` has input or hung up. Returns false when the wait timed out or failed.
bool WaitAnyReadable(std::span<const int> fds, std::span<bool> ready, uint32_t timeoutMs);

}  // namespace veltrane::platform
