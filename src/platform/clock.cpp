// SPDX-License-Identifier: MIT
#include "platform/clock.h"

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

}  // namespace

Clock& SystemClock() {
  static SystemClockImpl clock;
  return clock;
}

}  // namespace veltrane::platform
