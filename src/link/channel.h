// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "link/frame_codec.h"
#include "platform/wait.h"

namespace veltrane::link {

// What the exchange loops need of a transport: send a frame, wait for input, take what arrived.
// The serial and UDP channels implement it, and so do the scripted channels of the tests.
class Channel {
 public:
  virtual ~Channel() = default;

  // True when every arrival is one whole frame (a datagram), false for a byte stream that the
  // receiver assembles into frames.
  virtual bool CarriesWholeFrames() const = 0;

  // Sends one frame. False when the channel took none of it: that try then ends without waiting.
  virtual bool Transmit(std::span<const uint8_t> frame) = 0;

  // Blocks until input may be waiting or `timeoutMs` have passed.
  virtual platform::WaitResult WaitForInput(uint32_t timeoutMs) = 0;

  // Takes what has arrived, without waiting: the bytes queued on a stream, or one datagram from
  // the peer. 0 when nothing usable was there.
  virtual size_t TakeInput(std::span<uint8_t, MaxFrameSize> buffer) = 0;

  // How one AwaitInput ended, and the count of usable bytes it took into the buffer.
  struct Input {
    platform::WaitResult waited = platform::WaitResult::TimedOut;
    size_t length = 0;
  };

  // Waits up to `timeoutMs` for input and takes it, as WaitForInput followed by TakeInput would.
  // A channel that can wait and take in one step overrides this.
  virtual Input AwaitInput(std::span<uint8_t, MaxFrameSize> buffer, uint32_t timeoutMs) {
    const platform::WaitResult waited = WaitForInput(timeoutMs);
    return {waited, waited == platform::WaitResult::Ready ? TakeInput(buffer) : 0};
  }
};

}  // namespace veltrane::link
