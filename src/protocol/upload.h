// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "common/status.h"
#include "format/packets.h"
#include "link/channel.h"
#include "link/frame_codec.h"
#include "link/target.h"
#include "platform/clock.h"
#include "protocol/device_context.h"
#include "protocol/exchange.h"

namespace veltrane::protocol {

using format::UploadPieceCount;

// Stop-and-wait upload of `program` over `channel`: a start packet (sequence 0), one data packet
// per 512-byte piece (sequences 1..N), an end packet (N + 1), each acknowledged before the next
// goes out and each tried at most kTries times, its windows running on `clock`. Ok when the end
// packet was acknowledged. As soon as one packet stays unacknowledged nothing after it is sent,
// and the result says why: Refused with kUploadRefusedReason when the screen answered that packet
// with a refusal in any of its windows (a refusal does not end a window or save a try), Timeout
// when it did not answer. BadArgument for an empty program. `watcher`, when given, sees every
// try and reply.
Status Upload(link::Channel& channel, std::span<const uint8_t> program, link::FrameBuffer& reply,
              uint8_t devAddr, platform::Clock& clock, UploadObserver* observer = nullptr,
              ExchangeWatcher* watcher = nullptr);

// Uploads `program` to the screen the target names: opens its channel, runs the upload, closes
// the channel. Ok when the end packet was acknowledged; Refused (with kUploadRefusedReason) or
// Timeout when a packet was not, as Upload says; BadArgument for Transport::None or an empty
// program; OsError when the channel cannot be opened. The context's watcher sees the tries. The
// caller keeps the busy count.
Status UploadProgram(const DeviceContext& context, const link::Target& target,
                     std::span<const uint8_t> program, UploadObserver* observer = nullptr);

}  // namespace veltrane::protocol
