#include "platform/wait.h"

#include <poll.h>
#include <sys/epoll.h>
#include <unistd.h>

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

InputWatch::InputWatch() : fd_(::epoll_create1(EPOLL_CLOEXEC)) {}

InputWatch::~InputWatch() {
  if (fd_ >= 0) ::close(fd_);
}

bool InputWatch::Add(int fd, uint32_t key) {
  if (fd < 0) return true;
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.u32 = key;
  return ::epoll_ctl(fd_, EPOLL_CTL_ADD, fd, &event) == 0;
}

void InputWatch::Remove(int fd) {
  if (fd >= 0) ::epoll_ctl(fd_, EPOLL_CTL_DEL, fd, nullptr);
}

bool InputWatch::Wait(std::span<bool> ready, uint32_t timeoutMs) {
  constexpr int kMaxEvents = 8;
  std::array<epoll_event, kMaxEvents> events{};
  std::fill(ready.begin(), ready.end(), false);
  const int n = ::epoll_wait(fd_, events.data(), kMaxEvents, PollTimeout(timeoutMs));
  for (int i = 0; i < n; ++i)
    if (events[i].data.u32 < ready.size()) ready[events[i].data.u32] = true;
  return n > 0;
}

}  // namespace veltrane::platform
