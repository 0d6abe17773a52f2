// SPDX-License-Identifier: MIT
#include "platform/tools/wakeup.h"

#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace veltrane::platform {

WakeupEvent::WakeupEvent() { handle_.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)); }

void WakeupEvent::Signal() {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(handle_.get(), &one, sizeof one);
}

void WakeupEvent::Clear() {
  uint64_t count = 0;
  [[maybe_unused]] const ssize_t n = ::read(handle_.get(), &count, sizeof count);
}

Status StopRequest::Open() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  if (const int reason = ::pthread_sigmask(SIG_BLOCK, &set, nullptr); reason != 0)
    return Status::System(reason);
  handle_.Reset(::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK));
  if (!valid()) return Status::System(errno);
  return Status::Ok;
}

}  // namespace veltrane::platform
