// SPDX-License-Identifier: MIT
#include "platform/tools/input_watch.h"

#include <sys/epoll.h>

#include <algorithm>
#include <array>

#include "platform/linux/poll_timeout.h"

namespace veltrane::platform {

InputWatch::InputWatch() : watch_(::epoll_create1(EPOLL_CLOEXEC)) {}

bool InputWatch::Add(const Waitable& source, uint32_t key) {
  if (!source.valid()) return true;
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.u32 = key;
  return ::epoll_ctl(watch_.get(), EPOLL_CTL_ADD, source.handle_.get(), &event) == 0;
}

void InputWatch::Remove(const Waitable& source) {
  if (source.valid()) ::epoll_ctl(watch_.get(), EPOLL_CTL_DEL, source.handle_.get(), nullptr);
}

bool InputWatch::Wait(std::span<bool> ready, uint32_t timeoutMs) {
  // Enough for a busy event loop over many screens to take a round of them in one call.
  constexpr int kMaxEvents = 64;
  std::array<epoll_event, kMaxEvents> events{};
  std::fill(ready.begin(), ready.end(), false);
  const int n = ::epoll_wait(watch_.get(), events.data(), kMaxEvents, PollTimeout(timeoutMs));
  for (int i = 0; i < n; ++i)
    if (events[i].data.u32 < ready.size()) ready[events[i].data.u32] = true;
  return n > 0;
}

}  // namespace veltrane::platform
