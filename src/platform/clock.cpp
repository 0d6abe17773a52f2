#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace veltrane::platform {
namespace {

class SystemClockImpl final : public Clock {
 public:
  uint32_t NowMs() override {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
  }

  void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

  LocalTime Local() override { return SystemLocalTime(); }
};

}  // namespace

Clock& SystemClock() {
  static SystemClockImpl clock;
  return clock;
}

}  // namespace veltrane::platform
