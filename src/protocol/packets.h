#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "link/frame_codec.h"
#include "platform/clock.h"

namespace veltrane::protocol {

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

constexpr size_t kPacketHeaderBytes = 8;
constexpr size_t kTimeBlockBytes = 16;
// A reply must reach `answeredCmd` to answer a command, and `status` to acknowledge an upload.
constexpr size_t kCommandReplyMinBytes = 10;
constexpr size_t kReplyBytes = 12;

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

// True when `frame` acknowledges the upload packet with code `cmd` and sequence number
// `sequence`: the tests of CheckReply on a body of at least 12 bytes, plus `value` = `sequence`
// and `status` 1.
bool CheckUploadReply(std::span<const uint8_t> frame, uint16_t cmd, uint32_t sequence,
                      link::FrameBuffer& reply);

}  // namespace veltrane::protocol
