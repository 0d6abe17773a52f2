// SPDX-License-Identifier: MIT
#include "platform/tools/timer.h"

#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

namespace veltrane::platform {
namespace {

constexpr uint64_t kNsPerSecond = 1000000000;

}  // namespace

uint64_t MonotonicNs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * kNsPerSecond + static_cast<uint64_t>(now.tv_nsec);
}

Timer::Timer() { handle_.Reset(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)); }

void Timer::SetFor(uint64_t dueNs) {
  // An all-zero setting would disarm the timer instead of firing it.
  dueNs = std::max<uint64_t>(dueNs, 1);
  itimerspec setting{};
  setting.it_value.tv_sec = static_cast<time_t>(dueNs / kNsPerSecond);
  setting.it_value.tv_nsec = static_cast<long>(dueNs % kNsPerSecond);
  ::timerfd_settime(handle_.get(), TFD_TIMER_ABSTIME, &setting, nullptr);
}

void Timer::Clear() {
  uint64_t expirations = 0;
  [[maybe_unused]] const ssize_t n = ::read(handle_.get(), &expirations, sizeof expirations);
}

}  // namespace veltrane::platform
