// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "format/packets.h"
#include "link/frame_codec.h"
#include "platform/clock.h"

namespace veltrane::protocol {

// The packet codes and sizes this layer speaks (format/packets.h).
using format::CMD_GET_BRIGHT;
using format::CMD_GET_POWER;
using format::CMD_REPLY;
using format::CMD_RESET;
using format::CMD_SET_BRIGHT;
using format::CMD_SET_POWER;
using format::CMD_SET_TIME;
using format::CMD_UPLOAD_DATA;
using format::CMD_UPLOAD_END;
using format::CMD_UPLOAD_START;
using format::kCommandReplyMinBytes;
using format::kPacketHeaderBytes;
using format::kReplyBytes;
using format::kTimeBlockBytes;

// The start of every request and upload packet body.
struct PacketHeader {
  uint16_t cmd = 0;
  uint8_t reserved = 0;
  uint8_t devAddr = 0;
  uint32_t value = 0;
};

// The start of every reply body: a packet header with `cmd` 3, then the answered command and
// a status.
struct ReplyHeader {
  uint16_t cmd = CMD_REPLY;
  uint8_t reserved = 0;
  uint8_t devAddr = 0;
  uint32_t value = 0;
  uint16_t answeredCmd = 0;
  uint16_t status = 0;
};

// True for the start, data and end packets of an upload, whose value is a sequence number.
bool IsUploadCommand(uint16_t cmd);

// A packet as the tools name it, the simulator's log and -v alike: its command ("get-power",
// "set-bright"), and for an upload packet its sequence number ("upload-data seq 1"); a code no
// command has reads "command N".
std::string PacketName(uint16_t cmd, uint32_t value);

std::array<uint8_t, kPacketHeaderBytes> EncodePacketHeader(const PacketHeader& header);
std::optional<PacketHeader> DecodePacketHeader(std::span<const uint8_t> body);

std::array<uint8_t, kReplyBytes> EncodeReplyHeader(const ReplyHeader& reply);
// Reads a reply body of at least kCommandReplyMinBytes; `status` is 0 when the body stops
// before it.
std::optional<ReplyHeader> DecodeReplyHeader(std::span<const uint8_t> body);

// The clock-set request's time block: the eight local-time fields as little-endian u16s.
std::array<uint8_t, kTimeBlockBytes> EncodeTimeBlock(const platform::LocalTime& time);
std::optional<platform::LocalTime> DecodeTimeBlock(std::span<const uint8_t> block);

// True when `frame` (0x55 ... 0xAA) is an acceptable reply to a request with code `cmd`:
// it decodes, is at least 10 bytes, and has `devAddr` 0, `cmd` 3 and `answeredCmd` = `cmd`.
// `reply` holds whatever the decoder produced.
bool CheckReply(std::span<const uint8_t> frame, uint16_t cmd, link::FrameBuffer& reply);

// What a received frame is to the request waiting for a reply.
enum class ReplyKind {
  Accepted,  // the reply the request waits for
  Refused,   // an answer to this very request that says no
  Ignored,   // anything else: damaged, another request's, another screen's
};

// What `frame` is to the upload packet with code `cmd` and sequence number `sequence`: Accepted
// when CheckUploadReply holds; Refused when it passes every test of that but the status.
ReplyKind JudgeUploadReply(std::span<const uint8_t> frame, uint16_t cmd, uint32_t sequence,
                           link::FrameBuffer& reply);

// True when `frame` acknowledges the upload packet with code `cmd` and sequence number
// `sequence`: the tests of CheckReply on a body of at least 12 bytes, plus `value` = `sequence`
// and `status` 1.
bool CheckUploadReply(std::span<const uint8_t> frame, uint16_t cmd, uint32_t sequence,
                      link::FrameBuffer& reply);

}  // namespace veltrane::protocol
