// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/wait.h"

namespace veltrane::platform {

// How one read of a serial line ended: with a byte, with nothing when its time ran out, or failed.
enum class LineRead { Byte, Nothing, Failed };

// Waits up to `timeoutMs` for a serial line's next byte through `read(waitMs)`, a read that
// waits up to `waitMs` for one. A port set to abort on a line error (an overrun, a framing or
// parity error, a break) fails its reads until the error is cleared; after a failed read,
// `clearLineError()` clears the port's error state and says whether a line error was what it
// cleared. Then the wait goes on for the rest of its time, since a good reply may still come, as
// a POSIX line reads on through such errors; a read that failed for any other reason means a line
// that gives no more input (Broken). `nowMs()` is a wrapping millisecond tick.
template <class Read, class ClearLineError, class NowMs>
WaitResult WaitForLineInput(uint32_t timeoutMs, Read read, ClearLineError clearLineError,
                            NowMs nowMs) {
  const uint32_t start = nowMs();
  for (uint32_t leftMs = timeoutMs;;) {
    switch (read(leftMs)) {
      case LineRead::Byte:
        return WaitResult::Ready;
      case LineRead::Nothing:
        return WaitResult::TimedOut;
      case LineRead::Failed:
        break;
    }
    if (!clearLineError()) return WaitResult::Broken;
    const uint32_t elapsed = ElapsedMs(start, nowMs());
    if (elapsed >= timeoutMs) return WaitResult::TimedOut;
    leftMs = timeoutMs - elapsed;
  }
}

}  // namespace veltrane::platform
