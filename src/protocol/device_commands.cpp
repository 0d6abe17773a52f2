// SPDX-License-Identifier: MIT
#include "protocol/device_commands.h"

#include "common/byte_writer.h"
#include "link/frame_codec.h"
#include "protocol/connection.h"
#include "protocol/exchange.h"

namespace veltrane::protocol {
namespace {

// A command's code, whether it reads a value, and the receive window of one try: on a serial
// line, and on the network (every transport but serial).
struct CommandKind {
  uint16_t cmd;
  bool readsValue;
  uint32_t serialWindowMs;
  uint32_t udpWindowMs;
};

CommandKind KindOf(Command command) {
  switch (command) {
    case Command::SetPower:
      return {CMD_SET_POWER, false, 1000, 1000};
    case Command::GetPower:
      return {CMD_GET_POWER, true, 1500, 1500};
    case Command::SetBright:
      return {CMD_SET_BRIGHT, false, 5000, 3000};
    case Command::GetBright:
      return {CMD_GET_BRIGHT, true, 1500, 1500};
    case Command::Reset:
      return {CMD_RESET, false, 1500, 1500};
    case Command::SetTime:
      break;
  }
  return {CMD_SET_TIME, false, 1000, 1000};
}

// Sends one request (with tries) on the channel the target names. Counts as a device operation
// in progress for its whole run.
Outcome Run(const DeviceContext& context, const link::Target& target, const Request& request) {
  BusyScope busy(context.busy);
  RequestBody body;
  ExchangeSteps steps(RequestFor(request, target, body));
  steps.Watch(context.watcher);
  link::FrameBuffer reply;
  Outcome outcome;
  outcome.status = WithChannel(target, [&](link::Channel& channel) {
    outcome = Converse(channel, steps, reply, context.clock);
    return outcome.status;
  });
  return outcome;
}

Reading Query(const DeviceContext& context, const link::Target& target, Command command) {
  const Outcome outcome = Run(context, target, {command, 0, {}});
  return {outcome.status, outcome.status == Status::Ok ? outcome.value.value_or(-1) : -1};
}

}  // namespace

RequestJob RequestFor(const Request& request, const link::Target& target, RequestBody& body) {
  const CommandKind kind = KindOf(request.command);
  const bool sendsValue =
      request.command == Command::SetPower || request.command == Command::SetBright;
  ByteWriter out(body.bytes);
  out.Bytes(EncodePacketHeader(
      {kind.cmd, 0, target.devAddr, sendsValue ? static_cast<uint32_t>(request.value) : 0}));
  if (request.command == Command::SetTime) out.Bytes(EncodeTimeBlock(request.time));
  body.size = request.command == Command::SetTime ? body.bytes.size() : kPacketHeaderBytes;
  const uint32_t windowMs =
      target.transport == link::Transport::Serial ? kind.serialWindowMs : kind.udpWindowMs;
  return {{body.bytes.data(), body.size}, windowMs, kind.readsValue};
}

Status DoSetPower(const DeviceContext& context, const link::Target& target, int32_t value) {
  return Run(context, target, {Command::SetPower, value, {}}).status;
}

Reading DoGetPower(const DeviceContext& context, const link::Target& target) {
  return Query(context, target, Command::GetPower);
}

Status DoSetBright(const DeviceContext& context, const link::Target& target, int32_t value) {
  return Run(context, target, {Command::SetBright, value, {}}).status;
}

Reading DoGetBright(const DeviceContext& context, const link::Target& target) {
  return Query(context, target, Command::GetBright);
}

Status DoReset(const DeviceContext& context, const link::Target& target) {
  return Run(context, target, {Command::Reset, 0, {}}).status;
}

Status DoAdjustTime(const DeviceContext& context, const link::Target& target,
                    const platform::LocalTime& localTime) {
  return Run(context, target, {Command::SetTime, 0, localTime}).status;
}

}  // namespace veltrane::protocol
