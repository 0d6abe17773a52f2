// SPDX-License-Identifier: MIT
#include "platform/tools/timer.h"

#include "kernel_object.h"

namespace veltrane::platform {
namespace {

constexpr uint64_t kNsPerSecond = 1000000000;
constexpr int64_t kNsPerTick = 100;  // a waitable timer counts in 100 ns ticks

// Sets `timer` to become signalled `ns` from now (a negative due time is relative).
void SetIn(HANDLE timer, uint64_t ns) {
  LARGE_INTEGER due;
  due.QuadPart = -static_cast<int64_t>(ns / kNsPerTick) - 1;
  ::SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
}

}  // namespace

uint64_t MonotonicNs() {
  LARGE_INTEGER now;
  LARGE_INTEGER frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  const uint64_t ticks = static_cast<uint64_t>(now.QuadPart);
  const uint64_t perSecond = static_cast<uint64_t>(frequency.QuadPart);
  return ticks / perSecond * kNsPerSecond + ticks % perSecond * kNsPerSecond / perSecond;
}

// A manual-reset timer stays signalled once due, as a timerfd stays readable.
Timer::Timer() { handle_.Reset(KernelObject(::CreateWaitableTimerW(nullptr, TRUE, nullptr))); }

void Timer::SetFor(uint64_t dueNs) {
  const uint64_t now = MonotonicNs();
  SetIn(KernelObjectOf(handle_), dueNs > now ? dueNs - now : 0);
}

// Setting a timer makes it unsignalled; this one comes due in about a year.
void Timer::Clear() { SetIn(KernelObjectOf(handle_), 365ULL * 24 * 3600 * kNsPerSecond); }

}  // namespace veltrane::platform
