#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace veltrane::platform {
namespace {

class SystemClockImpl final : public Clock {
 public:
  uint32_t NowMs() override { return SystemTickMs(); }

  void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

  LocalTime Local() override { return SystemLocalTime(); }
};

SystemClockImpl systemClock;
std::atomic<Clock*> installed{nullptr};

}  // namespace

Clock& SystemClock() { return systemClock; }

Clock& CurrentClock() {
  Clock* clock = installed.load(std::memory_order_acquire);
  return clock != nullptr ? *clock : systemClock;
}

Clock* InstallClock(Clock* clock) { return installed.exchange(clock, std::memory_order_acq_rel); }

}  // namespace veltrane::platform
