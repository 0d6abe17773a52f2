// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/status.h"
#include "link/target.h"
#include "platform/clock.h"
#include "protocol/device_context.h"
#include "protocol/exchange_steps.h"
#include "protocol/packets.h"

namespace veltrane::protocol {

// The six device commands.
enum class Command { SetPower, GetPower, SetBright, GetBright, Reset, SetTime };

// What to ask a screen: a command, the value it sends (SetPower, SetBright) and, for SetTime, the
// local time to set.
struct Request {
  Command command = Command::GetPower;
  int32_t value = 0;
  platform::LocalTime time;
};

// A request's body: the header and, for SetTime, the time block.
struct RequestBody {
  std::array<uint8_t, kPacketHeaderBytes + kTimeBlockBytes> bytes{};
  size_t size = 0;
};

// The steps' view of `request` to the screen the target names: its body (written to `body`,
// which need only last until the steps are made), its address, and the receive window its
// transport has for the command.
RequestJob RequestFor(const Request& request, const link::Target& target, RequestBody& body);

// What a query brings back: the screen's value when `status` is Ok.
struct Reading {
  Status status = Status::Timeout;
  int32_t value = -1;
};

// The six device commands. Each counts itself busy (in `context.busy`) for its whole run, opens
// the channel the target names, sends its request with tries and closes the channel. Ok: the screen
// answered; Timeout: no acceptable reply in the tries; BadArgument: no transport; OsError: the
// channel did not open.
Status DoSetPower(const DeviceContext& context, const link::Target& target, int32_t value);
Reading DoGetPower(const DeviceContext& context, const link::Target& target);
Status DoSetBright(const DeviceContext& context, const link::Target& target, int32_t value);
Reading DoGetBright(const DeviceContext& context, const link::Target& target);
Status DoReset(const DeviceContext& context, const link::Target& target);
// Sets the screen's clock to `localTime`.
Status DoAdjustTime(const DeviceContext& context, const link::Target& target,
                    const platform::LocalTime& localTime);

}  // namespace veltrane::protocol
