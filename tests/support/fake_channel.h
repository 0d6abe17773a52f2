// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <vector>

#include "link/channel.h"
#include "protocol/packets.h"
#include "support/fake_clock.h"

namespace veltrane::testing {

using Bytes = std::vector<uint8_t>;

// Something the far end sends back, `delayMs` after the frame that caused it went out.
struct Delivery {
  uint32_t delayMs = 0;
  Bytes bytes;
};

// A scripted channel on a fake clock. Every frame sent is recorded; `respond` decides what comes
// back and when. Waiting moves the fake clock to the next arrival or to the end of the wait, so
// receive windows run instantly and exactly.
class FakeChannel final : public link::Channel {
 public:
  // `wholeFrames`: datagram-like (every delivery arrives as one unit) or a byte stream.
  FakeChannel(FakeClock& clock, bool wholeFrames) : clock_(clock), wholeFrames_(wholeFrames) {}

  // Called with each frame sent and its index (0 for the first send).
  std::function<std::vector<Delivery>(std::span<const uint8_t> frame, int index)> respond;
  // Sends for which this returns false are refused (Transmit returns false).
  std::function<bool(int index)> acceptSend = [](int) { return true; };
  // A stream hands out at most this many bytes per read (to split replies).
  size_t maxReadBytes = link::MaxFrameSize;
  // A hung-up line: every wait reports it broken.
  bool broken = false;

  std::vector<Bytes> sent;
  std::vector<uint32_t> sentAtMs;
  uint32_t waits = 0;

  bool CarriesWholeFrames() const override { return wholeFrames_; }
  bool Transmit(std::span<const uint8_t> frame) override;
  platform::WaitResult WaitForInput(uint32_t timeoutMs) override;
  size_t TakeInput(std::span<uint8_t, link::MaxFrameSize> buffer) override;

 private:
  struct Arrival {
    uint32_t atMs;
    Bytes bytes;
  };
  bool HasDue() const;

  FakeClock& clock_;
  bool wholeFrames_;
  std::deque<Arrival> arrivals_;  // in order of arrival time
};

// The frame of `body` as the codec builds it.
Bytes Frame(std::span<const uint8_t> body);
// A reply frame: `cmd` 3, `devAddr` 0, then the given fields.
Bytes ReplyFrame(uint16_t answeredCmd, uint32_t value, uint16_t status = 1);
// The body of a frame sent on the channel, decoded (empty when it does not decode).
Bytes BodyOf(std::span<const uint8_t> frame);
// The header of a frame sent on the channel.
protocol::PacketHeader HeaderOf(std::span<const uint8_t> frame);

}  // namespace veltrane::testing
