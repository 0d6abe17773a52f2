#include "protocol/packets.h"

#include "common/byte_reader.h"
#include "common/byte_writer.h"

namespace veltrane::protocol {
namespace {

constexpr uint16_t kAcknowledged = 1;

// The decoded reply body, when the frame decodes to at least `minBytes`.
std::optional<ReplyHeader> DecodeReplyFrame(std::span<const uint8_t> frame, size_t minBytes,
                                            link::FrameBuffer& reply) {
  const int32_t length = link::DecodeFrame(frame, reply);
  if (length <= 0 || static_cast<size_t>(length) < minBytes) return std::nullopt;
  return DecodeReplyHeader(std::span<const uint8_t>(reply.data(), static_cast<size_t>(length)));
}

bool AnswersCommand(const ReplyHeader& header, uint16_t cmd) {
  return header.devAddr == 0 && header.cmd == CMD_REPLY && header.answeredCmd == cmd;
}

}  // namespace

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
  const ByteReader in(body);
  if (!in.Fits(0, kPacketHeaderBytes)) return std::nullopt;
  return PacketHeader{*in.U16(0), *in.U8(2), *in.U8(3), *in.U32(4)};
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
  const ByteReader in(body);
  if (!in.Fits(0, kCommandReplyMinBytes)) return std::nullopt;
  return ReplyHeader{*in.U16(0), *in.U8(2),  *in.U8(3),
                     *in.U32(4), *in.U16(8), in.U16(10).value_or(0)};
}

std::array<uint8_t, kTimeBlockBytes> EncodeTimeBlock(const platform::LocalTime& time) {
  std::array<uint8_t, kTimeBlockBytes> bytes{};
  ByteWriter out(bytes);
  for (const uint16_t field : {time.year, time.month, time.dayOfWeek, time.day, time.hour,
                               time.minute, time.second, time.milliseconds})
    out.U16(field);
  return bytes;
}

std::optional<platform::LocalTime> DecodeTimeBlock(std::span<const uint8_t> block) {
  const ByteReader in(block);
  if (!in.Fits(0, kTimeBlockBytes)) return std::nullopt;
  platform::LocalTime t;
  t.year = *in.U16(0);
  t.month = *in.U16(2);
  t.dayOfWeek = *in.U16(4);
  t.day = *in.U16(6);
  t.hour = *in.U16(8);
  t.minute = *in.U16(10);
  t.second = *in.U16(12);
  t.milliseconds = *in.U16(14);
  return t;
}

bool CheckReply(std::span<const uint8_t> frame, uint16_t cmd, link::FrameBuffer& reply) {
  const auto header = DecodeReplyFrame(frame, kCommandReplyMinBytes, reply);
  return header && AnswersCommand(*header, cmd);
}

bool CheckUploadReply(std::span<const uint8_t> frame, uint16_t cmd, uint32_t sequence,
                      link::FrameBuffer& reply) {
  const auto header = DecodeReplyFrame(frame, kReplyBytes, reply);
  return header && AnswersCommand(*header, cmd) && header->value == sequence &&
         header->status == kAcknowledged;
}

}  // namespace veltrane::protocol
