// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace veltrane::platform {

// The host's local time, field for field as a screen's clock wants it.
struct LocalTime {
  uint16_t year = 0;
  uint16_t month = 0;      // 1..12
  uint16_t dayOfWeek = 0;  // 0..6, 0 = Sunday
  uint16_t day = 0;        // 1..31
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};

// The host's local time now, as the system keeps it.
LocalTime SystemLocalTime();

// The system's millisecond tick, wrapping at 2^32.
uint32_t SystemTickMs();

// Time as the library sees it. Whoever waits is handed one: the system's, or in tests a clock
// that steps through waits without sleeping.
class Clock {
 public:
  virtual ~Clock() = default;
  // A millisecond tick that wraps at 2^32; only differences of two readings mean anything.
  virtual uint32_t NowMs() = 0;
  virtual void SleepMs(uint32_t ms) = 0;
  virtual LocalTime Local() = 0;
};

// Milliseconds from `start` to `now` on the wrapping tick, correct across one wrap.
inline uint32_t ElapsedMs(uint32_t start, uint32_t now) { return now - start; }

// The system's clock. It keeps no state of its own, so all its users may share it.
Clock& SystemClock();

}  // namespace veltrane::platform
