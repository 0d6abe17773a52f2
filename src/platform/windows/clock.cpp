// SPDX-License-Identifier: MIT
#include "platform/clock.h"

#include "win32.h"

namespace veltrane::platform {

LocalTime SystemLocalTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth,  now.wDayOfWeek, now.wDay,
          now.wHour, now.wMinute, now.wSecond,    now.wMilliseconds};
}

uint32_t SystemTickMs() { return ::timeGetTime(); }

}  // namespace veltrane::platform
