// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// The packets carried inside link frames: their codes, the header every packet body starts with,
// the reply that answers each one, and how a program is cut up for its upload. All fields are
// little-endian.
namespace veltrane::format {

// Packet codes: the `cmd` of a request or upload packet, and of every reply.
constexpr uint16_t CMD_UPLOAD_START = 0;
constexpr uint16_t CMD_UPLOAD_END = 1;
constexpr uint16_t CMD_UPLOAD_DATA = 2;
constexpr uint16_t CMD_REPLY = 3;
constexpr uint16_t CMD_SET_TIME = 6;
constexpr uint16_t CMD_GET_POWER = 9;
constexpr uint16_t CMD_SET_POWER = 10;
constexpr uint16_t CMD_GET_BRIGHT = 11;
constexpr uint16_t CMD_SET_BRIGHT = 12;
constexpr uint16_t CMD_RESET = 99;

// Packet header: cmd, reserved, devAddr, value.
constexpr size_t kPacketCmdAt = 0;
constexpr size_t kPacketReservedAt = 2;
constexpr size_t kPacketDevAddrAt = 3;
constexpr size_t kPacketValueAt = 4;
constexpr size_t kPacketHeaderBytes = 8;

// Reply: a packet header with `cmd` CMD_REPLY, then the answered command and a status. A reply
// must reach `answeredCmd` to answer a command, and `status` to acknowledge an upload packet.
constexpr size_t kReplyAnsweredCmdAt = 8;
constexpr size_t kReplyStatusAt = 10;
constexpr size_t kCommandReplyMinBytes = kReplyStatusAt;
constexpr size_t kReplyBytes = 12;
constexpr uint16_t kStatusRefused = 0;
constexpr uint16_t kStatusAcknowledged = 1;

// The clock-set request's time block after the header: year, month, dayOfWeek, day, hour,
// minute, second, milliseconds, each a u16.
constexpr size_t kTimeBlockFields = 8;
constexpr size_t kTimeBlockBytes = 2 * kTimeBlockFields;

// An upload is a start packet (sequence 0), one data packet per piece of the program
// (sequences 1..N) and an end packet (N + 1).
constexpr size_t kUploadPieceBytes = 512;
constexpr uint32_t UploadPieceCount(size_t lengthBytes) {
  return static_cast<uint32_t>((lengthBytes + kUploadPieceBytes - 1) / kUploadPieceBytes);
}

// The largest program that is sent, and that a screen takes; exactly this many bytes still go.
constexpr uint32_t kMaxProgramBytes = 0x200000;

}  // namespace veltrane::format
