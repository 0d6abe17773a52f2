// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "common/status.h"
#include "link/channel.h"
#include "link/frame_codec.h"
#include "platform/clock.h"
#include "protocol/exchange_steps.h"
#include "protocol/packets.h"

namespace veltrane::protocol {

// Lets another thread stop a run in progress; the run looks at it between its steps.
class CancelFlag {
 public:
  void Request() { requested_.store(true, std::memory_order_relaxed); }
  bool requested() const { return requested_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> requested_{false};
};

// The blocking driver: takes `steps` to their end over `channel`, every frame of a reply decoded
// into `reply`, the windows measured on `clock`. A window sleeps on the channel and wakes as
// input arrives: a datagram is one frame, stream bytes go through an assembler that starts empty
// in every window. A window that no more input can shorten (a hung-up line) runs its full length,
// asleep. `cancel`, when given, is looked at before each send and after each wake-up.
Outcome Converse(link::Channel& channel, ExchangeSteps& steps, link::FrameBuffer& reply,
                 platform::Clock& clock, const CancelFlag* cancel = nullptr);

// One request/reply exchange: frames `body` once and sends it with tries until a reply passes
// CheckReply for the body's `cmd`, each try waiting `windowMs`. The reply body is left in `reply`.
// Ok when answered, Timeout after the last try, BadArgument when `body` cannot be framed into
// one frame buffer. `watcher`, when given, is told of every try and every frame.
Status Exchange(link::Channel& channel, std::span<const uint8_t> body, link::FrameBuffer& reply,
                uint32_t windowMs, platform::Clock& clock, ExchangeWatcher* watcher = nullptr);

}  // namespace veltrane::protocol
