#pragma once

#include <cstdint>
#include <span>

#include "common/status.h"
#include "link/channel.h"
#include "link/frame_codec.h"

namespace veltrane::protocol {

// Every request and upload packet is sent at most this often.
constexpr int kTries = 3;

// Decides whether a received frame is the reply a try waits for.
class ReplyTest {
 public:
  virtual bool Accepts(std::span<const uint8_t> frame) = 0;
  // Runs after each send, before the wait: work that can overlap the screen's answering.
  virtual void Sent() {}

 protected:
  ~ReplyTest() = default;
};

// Sends `frame` (encoded once, resent unchanged) up to kTries times. A try whose send the channel
// refuses ends at once; otherwise it waits `windowMs`, on the installed clock, for a frame that
// `test` accepts. The wait sleeps on the channel and wakes as input arrives. Ok when accepted,
// Timeout after the last try.
Status SendWithTries(link::Channel& channel, std::span<const uint8_t> frame, uint32_t windowMs,
                     ReplyTest& test);

// One request/reply exchange: frames `body` once and sends it with tries until a reply passes
// CheckReply for the body's `cmd`. The reply body is left in `reply`. Refused when `body` cannot
// be framed into one frame buffer.
Status Exchange(link::Channel& channel, std::span<const uint8_t> body, link::FrameBuffer& reply,
                uint32_t windowMs);

}  // namespace veltrane::protocol
