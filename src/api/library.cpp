// SPDX-License-Identifier: MIT
#include "api/library.h"

#include <string>
#include <string_view>

#include "platform/network.h"

namespace veltrane::api {

Library::Library(platform::Clock& clock) : clock_(clock) {}

Library& TheLibrary() {
  static Library library;
  return library;
}

void WaitForIdle(platform::Clock& clock, const BusyCount& busy) {
  const uint32_t start = clock.NowMs();
  while (platform::ElapsedMs(start, clock.NowMs()) < kCleanupWaitMs) {
    if (busy.Read() == 0) break;
    clock.SleepMs(kCleanupLookMs);
  }
  clock.SleepMs(kCleanupPauseMs);
}

int32_t Library::Start() {
  std::lock_guard lock(lifecycleMutex_);
  if (!platform::StartNetworking()) return 0;
  busy_.Reset();
  slots_.ReleaseAll();  // a program left from an earlier start is not leaked
  started_ = true;
  return 1;
}

int32_t Library::Stop() {
  WaitForIdle(clock_, busy_);
  std::lock_guard lock(lifecycleMutex_);
  if (!started_) return -1;
  slots_.ReleaseAll();
  started_ = false;
  return platform::StopNetworking();
}

bool Library::Started() const {
  std::lock_guard lock(lifecycleMutex_);
  return started_;
}

Status Library::SetTextEncoding(const char* charset) {
  const std::optional<platform::TextEncoding> chosen = platform::TextEncoding::Named(charset);
  if (!chosen) {
    // Named only as far as a short message goes: the caller's text may be of any length.
    constexpr size_t kNameShown = 64;
    return {Status::BadArgument, "unknown text encoding \"" +
                                     std::string(std::string_view(charset).substr(0, kNameShown)) +
                                     "\""};
  }
  std::lock_guard lock(encodingMutex_);
  encoding_ = *chosen;
  return Status::Ok;
}

platform::TextEncoding Library::textEncoding() const {
  std::lock_guard lock(encodingMutex_);
  return encoding_;
}

}  // namespace veltrane::api
