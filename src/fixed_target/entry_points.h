// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "common/messages.h"
#include "common/status.h"
#include "link/target.h"
#include "protocol/device_context.h"

namespace veltrane::fixed_target {

// The fixed target of these entry points: a screen at the fixed screen port of the given address,
// addressed as every screen, reached from a local UDP port.
// Address texts longer than this do not fit a descriptor's 16-byte field with its zero byte.
constexpr size_t kMaxAddressText = 15;

// Ok when the screen answered; Refused for a null or over-long address text; otherwise why the
// command failed (no reply within its tries, a local port that cannot be bound).
Status PowerOn(const protocol::DeviceContext& context, const char* address, int32_t localPort);
Status PowerOff(const protocol::DeviceContext& context, const char* address, int32_t localPort);
// Sets the screen's clock to the local time on `context.clock`.
Status SetTimeFromHost(const protocol::DeviceContext& context, const char* address,
                       int32_t localPort);

// Sends a program slot to a target, as the library's send does.
using SlotSender = std::function<Status(const link::Target& target, int32_t slot)>;

// Shows the boxes of the area document (a null document shows none) in `messages`, then asks
// `send` for program slot 0, which is never a program: nothing is sent and no slot is touched.
// Always 1.
int32_t SendAreaDocument(const SlotSender& send, const MessageSink& messages, const char* address,
                         int32_t localPort, const char* document);

}  // namespace veltrane::fixed_target
