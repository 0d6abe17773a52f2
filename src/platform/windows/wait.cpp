// SPDX-License-Identifier: MIT
#include "platform/wait.h"

#include <algorithm>

#include "com_port.h"
#include "win32.h"

namespace veltrane::platform {
namespace {

WaitResult WaitForSocket(SOCKET socket, uint32_t timeoutMs) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket, &readable);
  timeval timeout{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
  const int n = ::select(0, &readable, nullptr, nullptr, &timeout);
  if (n == 0) return WaitResult::TimedOut;
  return n > 0 ? WaitResult::Ready : WaitResult::Broken;
}

WaitResult WaitForObject(HANDLE object, uint32_t timeoutMs) {
  switch (::WaitForSingleObject(object, std::min<DWORD>(timeoutMs, INFINITE - 1))) {
    case WAIT_OBJECT_0:
      return WaitResult::Ready;
    case WAIT_TIMEOUT:
      return WaitResult::TimedOut;
    default:
      return WaitResult::Broken;
  }
}

}  // namespace

WaitResult Waitable::WaitReadable(uint32_t timeoutMs) const {
  const NativeHandle handle = handle_.get();
  switch (handle.kind) {
    case NativeHandle::Kind::Socket:
      return WaitForSocket(static_cast<SOCKET>(handle.value), timeoutMs);
    case NativeHandle::Kind::ComPort:
      return reinterpret_cast<ComPort*>(handle.value)->WaitForInput(timeoutMs);
    case NativeHandle::Kind::Kernel:
      return WaitForObject(reinterpret_cast<HANDLE>(handle.value), timeoutMs);
    case NativeHandle::Kind::None:
      break;
  }
  return WaitResult::Broken;
}

}  // namespace veltrane::platform
