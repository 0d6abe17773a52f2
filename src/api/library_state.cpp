#include "api/library_state.h"

#include <mutex>

#include "builder/program_slot.h"
#include "platform/network.h"

namespace veltrane::api {
namespace {

std::mutex lifecycleMutex;
bool started = false;

}  // namespace

Switches& GlobalSwitches() {
  static Switches switches;
  return switches;
}

void WaitForIdle(platform::Clock& clock, BusyCount& busy) {
  const uint32_t start = clock.NowMs();
  while (platform::ElapsedMs(start, clock.NowMs()) < kCleanupWaitMs) {
    if (busy.Read() == 0) break;
    clock.SleepMs(kCleanupLookMs);
  }
  clock.SleepMs(kCleanupPauseMs);
}

int32_t StartLibrary() {
  std::lock_guard lock(lifecycleMutex);
  if (!platform::StartNetworking()) return 0;
  GlobalBusyCount().Reset();
  builder::ReleaseAllSlots();  // a program left from an earlier start is not leaked
  started = true;
  return 1;
}

int32_t StopLibrary() {
  WaitForIdle(platform::CurrentClock(), GlobalBusyCount());
  std::lock_guard lock(lifecycleMutex);
  if (!started) return -1;
  builder::ReleaseAllSlots();
  started = false;
  return platform::StopNetworking();
}

bool LibraryStarted() {
  std::lock_guard lock(lifecycleMutex);
  return started;
}

}  // namespace veltrane::api
