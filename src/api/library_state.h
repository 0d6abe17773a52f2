#pragma once

#include <atomic>
#include <cstdint>

#include "common/busy_count.h"
#include "platform/clock.h"

namespace veltrane::api {

// How long shutting down waits for device operations, how often it looks, and the pause after.
constexpr uint32_t kCleanupWaitMs = 8000;
constexpr uint32_t kCleanupLookMs = 10;
constexpr uint32_t kCleanupPauseMs = 100;

// The process-wide switches. Both keep their values across start and stop.
struct Switches {
  std::atomic<int32_t> senderEnabled{1};
  std::atomic<int32_t> debugFlag{0};
};
Switches& GlobalSwitches();

// Starts the library: empties the program slots (freeing what they held) and zeroes the busy
// count. Returns 1.
int32_t StartLibrary();

// Waits for running device operations as shutting down does, frees every program still held,
// then stops the library. Returns 0, or -1 when it was not started.
int32_t StopLibrary();

bool LibraryStarted();

// Waits until `busy` reads 0, looking every kCleanupLookMs for at most kCleanupWaitMs on the
// wrapping tick, then pauses kCleanupPauseMs whatever the outcome.
void WaitForIdle(platform::Clock& clock, BusyCount& busy);

}  // namespace veltrane::api
