// SPDX-License-Identifier: MIT
#include "protocol/device_commands.h"

#include <array>
#include <span>

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "link/frame_codec.h"
#include "protocol/connection.h"
#include "protocol/exchange.h"
#include "protocol/packets.h"

namespace veltrane::protocol {
namespace {

constexpr CommandKind kSetPower{CMD_SET_POWER, 1000, 1000};
constexpr CommandKind kGetPower{CMD_GET_POWER, 1500, 1500};
constexpr CommandKind kSetBright{CMD_SET_BRIGHT, 5000, 3000};
constexpr CommandKind kGetBright{CMD_GET_BRIGHT, 1500, 1500};
constexpr CommandKind kReset{CMD_RESET, 1500, 1500};
constexpr CommandKind kSetTime{CMD_SET_TIME, 1000, 1000};

// The largest request: a header and the time block.
using RequestBuffer = std::array<uint8_t, kPacketHeaderBytes + kTimeBlockBytes>;

// Sends one request (with tries) on the channel the target names and leaves the reply body in
// `reply`. Counts as a device operation in progress for its whole run.
Status RunCommand(const DeviceContext& context, const link::Target& target,
                  const CommandKind& command, std::span<const uint8_t> body,
                  link::FrameBuffer& reply) {
  BusyScope busy(context.busy);
  const uint32_t windowMs =
      target.transport == link::Transport::Serial ? command.serialWindowMs : command.udpWindowMs;
  return WithChannel(target, [&](link::Channel& channel) {
    return Exchange(channel, body, reply, windowMs, context.clock, context.watcher);
  });
}

Status Send(const DeviceContext& context, const link::Target& target, const CommandKind& command,
            uint32_t value) {
  const auto header = EncodePacketHeader({command.cmd, 0, target.devAddr, value});
  link::FrameBuffer reply;
  return RunCommand(context, target, command, header, reply);
}

Reading Query(const DeviceContext& context, const link::Target& target,
              const CommandKind& command) {
  const auto header = EncodePacketHeader({command.cmd, 0, target.devAddr, 0});
  link::FrameBuffer reply;
  Reading reading;
  reading.status = RunCommand(context, target, command, header, reply);
  if (reading.status == Status::Ok)
    reading.value = static_cast<int32_t>(ByteReader(reply).U32(4).value_or(0xFFFFFFFF));
  return reading;
}

}  // namespace

Status DoSetPower(const DeviceContext& context, const link::Target& target, int32_t value) {
  return Send(context, target, kSetPower, static_cast<uint32_t>(value));
}

Reading DoGetPower(const DeviceContext& context, const link::Target& target) {
  return Query(context, target, kGetPower);
}

Status DoSetBright(const DeviceContext& context, const link::Target& target, int32_t value) {
  return Send(context, target, kSetBright, static_cast<uint32_t>(value));
}

Reading DoGetBright(const DeviceContext& context, const link::Target& target) {
  return Query(context, target, kGetBright);
}

Status DoReset(const DeviceContext& context, const link::Target& target) {
  return Send(context, target, kReset, 0);
}

Status DoAdjustTime(const DeviceContext& context, const link::Target& target,
                    const platform::LocalTime& localTime) {
  RequestBuffer body{};
  ByteWriter out(body);
  out.Bytes(EncodePacketHeader({kSetTime.cmd, 0, target.devAddr, 0}));
  out.Bytes(EncodeTimeBlock(localTime));
  link::FrameBuffer reply;
  return RunCommand(context, target, kSetTime, body, reply);
}

}  // namespace veltrane::protocol
