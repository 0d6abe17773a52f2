#include "protocol/exchange.h"

#include "common/byte_reader.h"
#include "link/frame_assembler.h"
#include "platform/clock.h"
#include "protocol/packets.h"

namespace veltrane::protocol {
namespace {

// Hands every frame in `input` to `test`: a datagram is one frame, stream bytes go through the
// window's assembler.
bool AcceptsInput(link::Channel& channel, std::span<const uint8_t> input,
                  link::FrameAssembler& assembler, ReplyTest& test) {
  if (channel.CarriesWholeFrames()) return test.Accepts(input);
  return assembler.Feed(input, [&](std::span<const uint8_t> frame) { return test.Accepts(frame); });
}

// One receive window of `windowMs`, measured on the wrapping tick from the moment it opens.
bool AwaitReply(link::Channel& channel, uint32_t windowMs, ReplyTest& test) {
  platform::Clock& clock = platform::CurrentClock();
  const uint32_t opened = clock.NowMs();
  link::FrameAssembler assembler;
  link::FrameBuffer input;
  for (;;) {
    const uint32_t elapsed = platform::ElapsedMs(opened, clock.NowMs());
    if (elapsed >= windowMs) return false;
    const uint32_t remainingMs = windowMs - elapsed;
    const platform::WaitResult waited = channel.WaitForInput(remainingMs);
    if (waited == platform::WaitResult::TimedOut) continue;
    const size_t n = waited == platform::WaitResult::Ready ? channel.TakeInput(input) : 0;
    if (n > 0) {
      if (AcceptsInput(channel, std::span<const uint8_t>(input.data(), n), assembler, test))
        return true;
      continue;
    }
    // A datagram that did not count (another source, empty) leaves the window going. A line
    // that hung up, or is readable yet yields nothing, brings no more input: the window still
    // runs its full length, asleep.
    if (waited == platform::WaitResult::Ready && channel.CarriesWholeFrames()) continue;
    clock.SleepMs(remainingMs);
    return false;
  }
}

class CommandReplyTest final : public ReplyTest {
 public:
  CommandReplyTest(uint16_t cmd, link::FrameBuffer& reply) : cmd_(cmd), reply_(reply) {}
  bool Accepts(std::span<const uint8_t> frame) override { return CheckReply(frame, cmd_, reply_); }

 private:
  uint16_t cmd_;
  link::FrameBuffer& reply_;
};

}  // namespace

Status SendWithTries(link::Channel& channel, std::span<const uint8_t> frame, uint32_t windowMs,
                     ReplyTest& test) {
  for (int attempt = 0; attempt < kTries; ++attempt) {
    if (!channel.Transmit(frame)) continue;
    test.Sent();
    if (AwaitReply(channel, windowMs, test)) return Status::Ok;
  }
  return Status::Timeout;
}

Status Exchange(link::Channel& channel, std::span<const uint8_t> body, link::FrameBuffer& reply,
                uint32_t windowMs) {
  const auto cmd = ByteReader(body).U16(0);
  link::FrameBuffer frame;
  const int32_t frameLength = link::EncodeFrame(body, frame);
  if (!cmd || frameLength <= 0) return Status::Refused;
  CommandReplyTest test(*cmd, reply);
  return SendWithTries(channel, std::span<const uint8_t>(frame.data(), frameLength), windowMs,
                       test);
}

}  // namespace veltrane::protocol
