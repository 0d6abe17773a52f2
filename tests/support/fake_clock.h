// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/clock.h"

namespace veltrane::testing {

// A clock that only moves when slept on (or told to), so waits run instantly and exactly.
class FakeClock final : public platform::Clock {
 public:
  explicit FakeClock(uint32_t startMs = 0) : nowMs_(startMs) {}

  uint32_t NowMs() override {
    ++reads_;
    return nowMs_.load();
  }
  void SleepMs(uint32_t ms) override {
    nowMs_ += ms;
    sleptMs_ += ms;
    if (onSleep) onSleep(nowMs_.load());
  }
  platform::LocalTime Local() override { return local; }

  void Advance(uint32_t ms) { nowMs_ += ms; }
  uint64_t sleptMs() const { return sleptMs_.load(); }
  // How often the time was read: lets a test see that a waiting thread has looked at the clock.
  uint64_t reads() const { return reads_.load(); }

  platform::LocalTime local{};
  std::function<void(uint32_t nowMs)> onSleep;  // runs after every sleep

 private:
  std::atomic<uint32_t> nowMs_;
  std::atomic<uint64_t> sleptMs_{0};
  std::atomic<uint64_t> reads_{0};
};

}  // namespace veltrane::testing
