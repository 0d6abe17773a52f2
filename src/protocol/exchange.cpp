// SPDX-License-Identifier: MIT
#include "protocol/exchange.h"

#include "link/frame_assembler.h"

namespace veltrane::protocol {
namespace {

// Hands every frame in `input` to the steps until one is accepted: a datagram is one frame,
// stream bytes go through the window's assembler (what follows an accepted frame is dropped).
bool Accepts(link::Channel& channel, std::span<const uint8_t> input,
             link::FrameAssembler& assembler, ExchangeSteps& steps, link::FrameBuffer& reply) {
  const auto accepted = [&](std::span<const uint8_t> frame) {
    return steps.Judge(frame, reply) == ReplyKind::Accepted;
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

// The open window, until a frame is accepted, the window runs out or the run is cancelled. The
// clock was read as the window opened and is read again only after a wake-up that does not end
// it: an answered window costs one reading.
void AwaitReply(link::Channel& channel, ExchangeSteps& steps, link::FrameBuffer& reply,
                platform::Clock& clock, const CancelFlag* cancel) {
  link::FrameAssembler assembler;
  link::FrameBuffer input;
  for (uint32_t remainingMs = steps.windowMs();;) {
    const auto [waited, n] = channel.AwaitInput(input, remainingMs);
    if (n > 0 && Accepts(channel, {input.data(), n}, assembler, steps, reply)) return;
    if (cancel != nullptr && cancel->requested()) steps.Cancel();
    if (steps.next() != ExchangeSteps::Next::Wait) return;
    remainingMs = steps.RemainingMs(clock.NowMs());
    if (remainingMs == 0) return steps.Expire();
    if (InputHasEnded(channel, {waited, n})) {
      clock.SleepMs(remainingMs);
      return steps.Expire();
    }
  }
}

}  // namespace

Outcome Converse(link::Channel& channel, ExchangeSteps& steps, link::FrameBuffer& reply,
                 platform::Clock& clock, const CancelFlag* cancel) {
  for (;;) {
    if (cancel != nullptr && cancel->requested()) steps.Cancel();
    switch (steps.next()) {
      case ExchangeSteps::Next::Done:
        return steps.outcome();
      case ExchangeSteps::Next::Send:
        if (channel.Transmit(steps.Frame()))
          steps.Sent(clock.NowMs());
        else
          steps.SendFailed();
        break;
      case ExchangeSteps::Next::Wait:
        AwaitReply(channel, steps, reply, clock, cancel);
        break;
    }
  }
}

Status Exchange(link::Channel& channel, std::span<const uint8_t> body, link::FrameBuffer& reply,
                uint32_t windowMs, platform::Clock& clock, ExchangeWatcher* watcher) {
  ExchangeSteps steps(RequestJob{body, windowMs});
  steps.Watch(watcher);
  return Converse(channel, steps, reply, clock).status;
}

}  // namespace veltrane::protocol
