// SPDX-License-Identifier: MIT
#include "platform/clock.h"

#include <time.h>

#include <chrono>

namespace veltrane::platform {

LocalTime SystemLocalTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm parts{};
  localtime_r(&now.tv_sec, &parts);
  LocalTime t;
  t.year = static_cast<uint16_t>(parts.tm_year + 1900);
  t.month = static_cast<uint16_t>(parts.tm_mon + 1);
  t.dayOfWeek = static_cast<uint16_t>(parts.tm_wday);
  t.day = static_cast<uint16_t>(parts.tm_mday);
  t.hour = static_cast<uint16_t>(parts.tm_hour);
  t.minute = static_cast<uint16_t>(parts.tm_min);
  // A leap second shows as the second before it: screens count 0..59.
  t.second = static_cast<uint16_t>(parts.tm_sec > 59 ? 59 : parts.tm_sec);
  t.milliseconds = static_cast<uint16_t>(now.tv_nsec / 1000000);
  return t;
}

uint32_t SystemTickMs() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace veltrane::platform
