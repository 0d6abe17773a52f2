// SPDX-License-Identifier: MIT
#include "platform/handle.h"

#include "com_port.h"
#include "win32.h"

namespace veltrane::platform {

void UniqueHandle::Reset(NativeHandle handle) {
  switch (handle_.kind) {
    case NativeHandle::Kind::Socket:
      ::closesocket(static_cast<SOCKET>(handle_.value));
      break;
    case NativeHandle::Kind::Kernel:
      ::CloseHandle(reinterpret_cast<HANDLE>(handle_.value));
      break;
    case NativeHandle::Kind::ComPort:
      delete reinterpret_cast<ComPort*>(handle_.value);
      break;
    case NativeHandle::Kind::None:
      break;
  }
  handle_ = handle;
}

}  // namespace veltrane::platform
