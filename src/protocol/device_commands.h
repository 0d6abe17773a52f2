// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "common/status.h"
#include "link/target.h"
#include "platform/clock.h"
#include "protocol/device_context.h"

namespace veltrane::protocol {

// A command's code and the receive window of one try: on a serial line, and on the network.
struct CommandKind {
  uint16_t cmd;
  uint32_t serialWindowMs;
  uint32_t udpWindowMs;  // every transport but serial
};

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
