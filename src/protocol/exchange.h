// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "common/status.h"
#include "link/channel.h"
#include "link/frame_codec.h"
#include "platform/clock.h"
#include "protocol/packets.h"

namespace veltrane::protocol {

// Every request and upload packet is sent at most this often.
constexpr int kTries = 3;

// Decides what a received frame is to the try waiting for a reply (ReplyKind, packets.h). Only
// Accepted ends the window; a refusal leaves it going like any other frame.
class ReplyTest {
 public:
  virtual ReplyKind Judge(std::span<const uint8_t> frame) = 0;
  // Runs after each send, before the wait: work that can overlap the screen's answering.
  virtual void Sent() {}

 protected:
  ~ReplyTest() = default;
};

// Told of each try and of each frame that arrives in its window, on the exchanging thread: what a
// tool shows of the conversation. Watching changes nothing on the wire.
class ExchangeWatcher {
 public:
  // Try `attempt` (1..kTries) of a `frameBytes`-byte frame: sent, and now waiting `windowMs`; or
  // refused by the channel, and over at once.
  virtual void Tried(int attempt, bool sent, size_t frameBytes, uint32_t windowMs) = 0;
  // What the waiting try made of an arrived frame; `reply` is its decoded reply header, or
  // nullptr when it is not one.
  virtual void Replied(ReplyKind kind, const ReplyHeader* reply) = 0;

 protected:
  ~ExchangeWatcher() = default;
};

// Sends `frame` (encoded once, resent unchanged) up to kTries times. A try whose send the channel
// refuses ends at once; otherwise it waits `windowMs`, on `clock`, for a frame that
// `test` accepts. The wait sleeps on the channel and wakes as input arrives. Ok when accepted,
// Timeout after the last try. `watcher`, when given, is told of every try and every frame.
Status SendWithTries(link::Channel& channel, std::span<const uint8_t> frame, uint32_t windowMs,
                     ReplyTest& test, platform::Clock& clock, ExchangeWatcher* watcher = nullptr);

// One request/reply exchange: frames `body` once and sends it with tries until a reply passes
// CheckReply for the body's `cmd`. The reply body is left in `reply`. BadArgument when `body`
// cannot be framed into one frame buffer.
Status Exchange(link::Channel& channel, std::span<const uint8_t> body, link::FrameBuffer& reply,
                uint32_t windowMs, platform::Clock& clock, ExchangeWatcher* watcher = nullptr);

}  // namespace veltrane::protocol
