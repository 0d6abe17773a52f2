#include "platform/wait.h"

#include <poll.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>

namespace veltrane::platform {
namespace {

int PollTimeout(uint32_t timeoutMs) {
  return static_cast<int>(std::min<uint32_t>(timeoutMs, INT_MAX));
}

}  // namespace

WaitResult WaitReadable(int fd, uint32_t timeoutMs) {
  pollfd entry{fd, POLLIN, 0};
  const int n = ::poll(&entry, 1, PollTimeout(timeoutMs));
  if (n == 0 || (n < 0 && errno == EINTR)) return WaitResult::TimedOut;
  if (n < 0) return WaitResult::Broken;
  if (entry.revents & POLLIN) return WaitResult::Ready;
  return WaitResult::Broken;
}

bool WaitAnyReadable(std::span<const int> fds, std::span<bool> ready, uint32_t timeoutMs) {
  constexpr size_t kMaxFds = 8;
  std::array<pollfd, kMaxFds> entries{};
  const size_t count = std::min({fds.size(), ready.size(), kMaxFds});
  for (size_t i = 0; i < count; ++i) entries[i] = pollfd{fds[i], POLLIN, 0};
  const int n = ::poll(entries.data(), count, PollTimeout(timeoutMs));
  for (size_t i = 0; i < count; ++i) ready[i] = n > 0 && entries[i].revents != 0;
  return n > 0;
}

}  // namespace veltrane::platform
