// SPDX-License-Identifier: MIT
#include "protocol/exchange.h"

#include "common/byte_reader.h"
#include "link/frame_assembler.h"
#include "protocol/packets.h"

namespace veltrane::protocol {
namespace {

// Hands every frame in `input` to `test`: a datagram is one frame, stream bytes go through the
// window's assembler.
bool AcceptsInput(link::Channel& channel, std::span<const uint8_t> input,
                  link::FrameAssembler& assembler, ReplyTest& test) {
  const auto accepted = [&](std::span<const uint8_t> frame) {
    return test.Judge(frame) == ReplyKind::Accepted;
  };
  if (channel.CarriesWholeFrames()) return accepted(input);
  return assembler.Feed(input, accepted);
}

// True when a wait says no more input will come: a line that hung up, or is readable yet yields
// nothing. Input that was not the answer, a wait that ran out, or a datagram that did not count
// (another source, empty) leaves the window going.
bool InputHasEnded(const link::Channel& channel, link::Channel::Input input) {
  if (input.length > 0 || input.waited == platform::WaitResult::TimedOut) return false;
  return !(input.waited == platform::WaitResult::Ready && channel.CarriesWholeFrames());
}

// One receive window of `windowMs`, measured on the wrapping tick from the moment it opens. The
// clock is read as the window opens and after each wake-up that does not end it: an answered
// window costs one reading. A window that no more input can shorten runs its full length, asleep.
bool AwaitReply(link::Channel& channel, uint32_t windowMs, ReplyTest& test,
                platform::Clock& clock) {
  const uint32_t opened = clock.NowMs();
  link::FrameAssembler assembler;
  link::FrameBuffer input;
  for (uint32_t remainingMs = windowMs; remainingMs > 0;) {
    const auto [waited, n] = channel.AwaitInput(input, remainingMs);
    if (n > 0 && AcceptsInput(channel, std::span<const uint8_t>(input.data(), n), assembler, test))
      return true;
    const uint32_t elapsed = platform::ElapsedMs(opened, clock.NowMs());
    if (elapsed >= windowMs) return false;
    remainingMs = windowMs - elapsed;
    if (InputHasEnded(channel, {waited, n})) {
      clock.SleepMs(remainingMs);
      return false;
    }
  }
  return false;
}

class CommandReplyTest final : public ReplyTest {
 public:
  CommandReplyTest(uint16_t cmd, link::FrameBuffer& reply) : cmd_(cmd), reply_(reply) {}
  ReplyKind Judge(std::span<const uint8_t> frame) override {
    return CheckReply(frame, cmd_, reply_) ? ReplyKind::Accepted : ReplyKind::Ignored;
  }

 private:
  uint16_t cmd_;
  link::FrameBuffer& reply_;
};

// A test that tells a watcher what it judged each frame to be. Only watched exchanges pay for the
// second decoding.
class WatchedReplyTest final : public ReplyTest {
 public:
  WatchedReplyTest(ReplyTest& inner, ExchangeWatcher& watcher) : inner_(inner), watcher_(watcher) {}
  ReplyKind Judge(std::span<const uint8_t> frame) override {
    const ReplyKind kind = inner_.Judge(frame);
    link::FrameBuffer body;
    const int32_t length = link::DecodeFrame(frame, body);
    const auto header = length > 0
                            ? DecodeReplyHeader(std::span<const uint8_t>(body.data(), length))
                            : std::nullopt;
    watcher_.Replied(kind, header ? &*header : nullptr);
    return kind;
  }
  void Sent() override { inner_.Sent(); }

 private:
  ReplyTest& inner_;
  ExchangeWatcher& watcher_;
};

Status TryInTurn(link::Channel& channel, std::span<const uint8_t> frame, uint32_t windowMs,
                 ReplyTest& test, platform::Clock& clock, ExchangeWatcher* watcher) {
  for (int attempt = 0; attempt < kTries; ++attempt) {
    const bool sent = channel.Transmit(frame);
    if (watcher != nullptr) watcher->Tried(attempt + 1, sent, frame.size(), windowMs);
    if (!sent) continue;
    test.Sent();
    if (AwaitReply(channel, windowMs, test, clock)) return Status::Ok;
  }
  return Status::Timeout;
}

}  // namespace

Status SendWithTries(link::Channel& channel, std::span<const uint8_t> frame, uint32_t windowMs,
                     ReplyTest& test, platform::Clock& clock, ExchangeWatcher* watcher) {
  if (watcher == nullptr) return TryInTurn(channel, frame, windowMs, test, clock, nullptr);
  WatchedReplyTest watched(test, *watcher);
  return TryInTurn(channel, frame, windowMs, watched, clock, watcher);
}

Status Exchange(link::Channel& channel, std::span<const uint8_t> body, link::FrameBuffer& reply,
                uint32_t windowMs, platform::Clock& clock, ExchangeWatcher* watcher) {
  const auto cmd = ByteReader(body).U16(0);
  link::FrameBuffer frame;
  const int32_t frameLength = link::EncodeFrame(body, frame);
  if (!cmd || frameLength <= 0) return Status::BadArgument;
  CommandReplyTest test(*cmd, reply);
  return SendWithTries(channel, std::span<const uint8_t>(frame.data(), frameLength), windowMs, test,
                       clock, watcher);
}

}  // namespace veltrane::protocol
