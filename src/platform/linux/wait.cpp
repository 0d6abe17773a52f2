// SPDX-License-Identifier: MIT
#include "platform/wait.h"

#include <poll.h>
#include <sys/epoll.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <vector>

#include "platform/linux/poll_timeout.h"

namespace veltrane::platform {

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

}  // namespace veltrane::platform
