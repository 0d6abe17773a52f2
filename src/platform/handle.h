// SPDX-License-Identifier: MIT
#pragma once

#include <utility>

// The build picks the platform folder whose native_handle.h this is.
#include "native_handle.h"

namespace veltrane::platform {

// Owns one handle of the operating system and closes it when it goes. Only the platform's own
// implementation looks inside; the layers above hold the typed owners built on it (a socket, a
// serial port, a waitable event).
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(NativeHandle handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, kNoHandle)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, kNoHandle));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  NativeHandle get() const { return handle_; }
  bool valid() const { return handle_ != kNoHandle; }
  // Closes the handle held (if any) and takes `handle` instead.
  void Reset(NativeHandle handle = kNoHandle);

 private:
  NativeHandle handle_ = kNoHandle;
};

}  // namespace veltrane::platform
