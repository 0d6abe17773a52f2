// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <mutex>

namespace veltrane {

// The number of device operations in progress, so that shutting down can wait for them.
// Its lock guards nothing else and is never held together with another lock.
class BusyCount {
 public:
  void Raise() {
    std::lock_guard lock(mutex_);
    ++count_;
  }
  void Lower() {
    std::lock_guard lock(mutex_);
    --count_;
  }
  int32_t Read() const {
    std::lock_guard lock(mutex_);
    return count_;
  }
  void Reset() {
    std::lock_guard lock(mutex_);
    count_ = 0;
  }

 private:
  mutable std::mutex mutex_;
  int32_t count_ = 0;
};

// Counts one operation for the lifetime of the scope.
class BusyScope {
 public:
  explicit BusyScope(BusyCount& count) : count_(count) { count_.Raise(); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
  ~BusyScope() { count_.Lower(); }

 private:
  BusyCount& count_;
};

}  // namespace veltrane
