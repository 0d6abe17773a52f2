// SPDX-License-Identifier: MIT
#include "protocol/packets.h"

#include <utility>

#include "common/byte_reader.h"
#include "common/byte_writer.h"

namespace veltrane::protocol {
namespace {

using namespace format;

// The decoded reply body, when the frame decodes to at least `minBytes`.
std::optional<ReplyHeader> DecodeReplyFrame(std::span<const uint8_t> frame, size_t minBytes,
                                            link::FrameBuffer& reply) {
  const int32_t length = link::DecodeFrame(frame, reply);
  if (length <= 0 || static_cast<size_t>(length) < minBytes) return std::nullopt;
  return DecodeReplyHeader(std::span<const uint8_t>(reply.data(), static_cast<size_t>(length)));
}

// The time block's fields in their order on the wire.
template <class Time>
std::array<decltype(&std::declval<Time&>().year), kTimeBlockFields> TimeFields(Time& t) {
  return {&t.year, &t.month, &t.dayOfWeek, &t.day, &t.hour, &t.minute, &t.second, &t.milliseconds};
}

bool AnswersCommand(const ReplyHeader& header, uint16_t cmd) {
  return header.devAddr == 0 && header.cmd == CMD_REPLY && header.answeredCmd == cmd;
}

}  // namespace

bool IsUploadCommand(uint16_t cmd) {
  return cmd == CMD_UPLOAD_START || cmd == CMD_UPLOAD_DATA || cmd == CMD_UPLOAD_END;
}

std::string PacketName(uint16_t cmd, uint32_t value) {
  const auto upload = [&](const char* name) { return name + (" seq " + std::to_string(value)); };
  switch (cmd) {
    case CMD_UPLOAD_START:
      return upload("upload-start");
    case CMD_UPLOAD_DATA:
      return upload("upload-data");
    case CMD_UPLOAD_END:
      return upload("upload-end");
    case CMD_REPLY:
      return "reply";
    case CMD_SET_TIME:
      return "set-time";
    case CMD_GET_POWER:
      return "get-power";
    case CMD_SET_POWER:
      return "set-power";
    case CMD_GET_BRIGHT:
      return "get-bright";
    case CMD_SET_BRIGHT:
      return "set-bright";
    case CMD_RESET:
      return "reset";
    default:
      return "command " + std::to_string(cmd);
  }
}

std::array<uint8_t, kPacketHeaderBytes> EncodePacketHeader(const PacketHeader& header) {
  std::array<uint8_t, kPacketHeaderBytes> bytes{};
  ByteWriter out(bytes);
  out.U16(header.cmd);
  out.U8(header.reserved);
  out.U8(header.devAddr);
  out.U32(header.value);
  return bytes;
}

std::optional<PacketHeader> DecodePacketHeader(std::span<const uint8_t> body) {
  ByteReader in(body);
  if (!in.Fits(0, kPacketHeaderBytes)) return std::nullopt;
  return PacketHeader{*in.U16(kPacketCmdAt), *in.U8(kPacketReservedAt), *in.U8(kPacketDevAddrAt),
                      *in.U32(kPacketValueAt)};
}

std::array<uint8_t, kReplyBytes> EncodeReplyHeader(const ReplyHeader& reply) {
  std::array<uint8_t, kReplyBytes> bytes{};
  ByteWriter out(bytes);
  out.U16(reply.cmd);
  out.U8(reply.reserved);
  out.U8(reply.devAddr);
  out.U32(reply.value);
  out.U16(reply.answeredCmd);
  out.U16(reply.status);
  return bytes;
}

std::optional<ReplyHeader> DecodeReplyHeader(std::span<const uint8_t> body) {
  ByteReader in(body);
  if (!in.Fits(0, kCommandReplyMinBytes)) return std::nullopt;
  return ReplyHeader{*in.U16(kPacketCmdAt),        *in.U8(kPacketReservedAt),
                     *in.U8(kPacketDevAddrAt),     *in.U32(kPacketValueAt),
                     *in.U16(kReplyAnsweredCmdAt), in.U16(kReplyStatusAt).value_or(0)};
}

std::array<uint8_t, kTimeBlockBytes> EncodeTimeBlock(const platform::LocalTime& time) {
  std::array<uint8_t, kTimeBlockBytes> bytes{};
  ByteWriter out(bytes);
  for (const uint16_t* field : TimeFields(time)) out.U16(*field);
  return bytes;
}

std::optional<platform::LocalTime> DecodeTimeBlock(std::span<const uint8_t> block) {
  ByteReader in(block);
  if (!in.Fits(0, kTimeBlockBytes)) return std::nullopt;
  platform::LocalTime t;
  size_t at = 0;
  for (uint16_t* field : TimeFields(t)) {
    *field = *in.U16(at);
    at += sizeof *field;
  }
  return t;
}

bool CheckReply(std::span<const uint8_t> frame, uint16_t cmd, link::FrameBuffer& reply) {
  const auto header = DecodeReplyFrame(frame, kCommandReplyMinBytes, reply);
  return header && AnswersCommand(*header, cmd);
}

ReplyKind JudgeUploadReply(std::span<const uint8_t> frame, uint16_t cmd, uint32_t sequence,
                           link::FrameBuffer& reply) {
  const auto header = DecodeReplyFrame(frame, kReplyBytes, reply);
  if (!header || !AnswersCommand(*header, cmd) || header->value != sequence)
    return ReplyKind::Ignored;
  return header->status == kStatusAcknowledged ? ReplyKind::Accepted : ReplyKind::Refused;
}

bool CheckUploadReply(std::span<const uint8_t> frame, uint16_t cmd, uint32_t sequence,
                      link::FrameBuffer& reply) {
  return JudgeUploadReply(frame, cmd, sequence, reply) == ReplyKind::Accepted;
}

}  // namespace veltrane::protocol
