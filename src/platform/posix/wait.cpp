// SPDX-License-Identifier: MIT
#include "platform/wait.h"

#include <poll.h>
#include <sys/epoll.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <vector>

namespace veltrane::platform {
namespace {

int PollTimeout(uint32_t timeoutMs) {
  return static_cast<int>(std::min<uint32_t>(timeoutMs, INT_MAX));
}

}  // namespace

WaitResult Waitable::WaitReadable(uint32_t timeoutMs) const {
  if (!valid()) return WaitResult::Broken;
  pollfd entry{handle_.get(), POLLIN, 0};
  const int n = ::poll(&entry, 1, PollTimeout(timeoutMs));
  if (n == 0 || (n < 0 && errno == EINTR)) return WaitResult::TimedOut;
  if (n < 0) return WaitResult::Broken;
  if (entry.revents & POLLIN) return WaitResult::Ready;
  return WaitResult::Broken;
}

bool WaitForAny(std::span<const Waitable* const> sources, std::span<bool> ready,
                uint32_t timeoutMs) {
  std::vector<pollfd> entries(sources.size());
  for (size_t i = 0; i < sources.size(); ++i) {
    const bool watched = sources[i] != nullptr && sources[i]->valid();
    entries[i] = {watched ? sources[i]->handle_.get() : -1, POLLIN, 0};
  }
  std::fill(ready.begin(), ready.end(), false);
  const int n = ::poll(entries.data(), entries.size(), PollTimeout(timeoutMs));
  for (size_t i = 0; n > 0 && i < entries.size() && i < ready.size(); ++i)
    ready[i] = entries[i].revents != 0;
  return n > 0;
}

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
