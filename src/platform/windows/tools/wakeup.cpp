// SPDX-License-Identifier: MIT
#include "platform/tools/wakeup.h"

#include "kernel_object.h"
#include "unavailable.h"

namespace veltrane::platform {
// A manual-reset event stays signalled until cleared, as an eventfd stays readable until read.
WakeupEvent::WakeupEvent() {
  handle_.Reset(KernelObject(::CreateEventW(nullptr, TRUE, FALSE, nullptr)));
}

void WakeupEvent::Signal() { ::SetEvent(KernelObjectOf(handle_)); }

void WakeupEvent::Clear() { ::ResetEvent(KernelObjectOf(handle_)); }

// A console's Ctrl+C comes to a handler on a thread of its own, not as input to wait on.
Status StopRequest::Open() { return kNotOnWindows; }

}  // namespace veltrane::platform
