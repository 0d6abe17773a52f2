// SPDX-License-Identifier: MIT
#include "platform/handle.h"

#include <unistd.h>

namespace veltrane::platform {

void UniqueHandle::Reset(NativeHandle handle) {
  if (handle_ != kNoHandle) ::close(handle_);
  handle_ = handle;
}

}  // namespace veltrane::platform
