#include "platform/wakeup.h"

#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdint>

namespace veltrane::platform {

WakeupEvent::WakeupEvent() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void WakeupEvent::Signal() {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(fd_.get(), &one, sizeof one);
}

void WakeupEvent::Clear() {
  uint64_t count = 0;
  [[maybe_unused]] const ssize_t n = ::read(fd_.get(), &count, sizeof count);
}

UniqueFd TerminationSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  if (::pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return UniqueFd();
  return UniqueFd(::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK));
}

}  // namespace veltrane::platform
