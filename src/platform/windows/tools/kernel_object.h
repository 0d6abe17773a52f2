// SPDX-License-Identifier: MIT
#pragma once

#include "platform/handle.h"
#include "win32.h"

namespace veltrane::platform {

// A kernel object's handle as a Waitable holds it (none when creating it failed), and back.
inline NativeHandle KernelObject(HANDLE object) {
  if (object == nullptr) return kNoHandle;
  return {NativeHandle::Kind::Kernel, reinterpret_cast<uintptr_t>(object)};
}

inline HANDLE KernelObjectOf(const UniqueHandle& handle) {
  return reinterpret_cast<HANDLE>(handle.get().value);
}

}  // namespace veltrane::platform
