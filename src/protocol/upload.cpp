#include "protocol/upload.h"

#include <algorithm>

#include "protocol/connection.h"
#include "protocol/exchange.h"
#include "protocol/packets.h"

namespace veltrane::protocol {
namespace {

class UploadReplyTest final : public ReplyTest {
 public:
  UploadReplyTest(uint16_t cmd, uint32_t sequence, link::FrameBuffer& reply)
      : cmd_(cmd), sequence_(sequence), reply_(reply) {}
  bool Accepts(std::span<const uint8_t> frame) override {
    return CheckUploadReply(frame, cmd_, sequence_, reply_);
  }

 private:
  uint16_t cmd_;
  uint32_t sequence_;
  link::FrameBuffer& reply_;
};

// Frames one packet (its header and piece) once and sends it until it is acknowledged.
Status SendPacket(link::Channel& channel, const PacketHeader& header,
                  std::span<const uint8_t> piece, link::FrameBuffer& reply) {
  const auto headerBytes = EncodePacketHeader(header);
  link::FrameBuffer frame;
  const int32_t frameLength = link::EncodeFrameParts(headerBytes, piece, frame);
  UploadReplyTest test(header.cmd, header.value, reply);
  return SendWithTries(channel, std::span<const uint8_t>(frame.data(), frameLength),
                       kUploadWindowMs, test);
}

}  // namespace

Status Upload(link::Channel& channel, std::span<const uint8_t> program, link::FrameBuffer& reply,
              uint8_t devAddr) {
  if (program.empty()) return Status::Refused;
  const uint32_t pieces = UploadPieceCount(program.size());
  if (const Status s = SendPacket(channel, {CMD_UPLOAD_START, 0, devAddr, 0}, {}, reply);
      s != Status::Ok)
    return s;
  for (uint32_t sequence = 1; sequence <= pieces; ++sequence) {
    const size_t offset = static_cast<size_t>(sequence - 1) * UploadPieceSize;
    const auto piece = program.subspan(offset, std::min(UploadPieceSize, program.size() - offset));
    if (const Status s = SendPacket(channel, {CMD_UPLOAD_DATA, 0, devAddr, sequence}, piece, reply);
        s != Status::Ok)
      return s;
  }
  return SendPacket(channel, {CMD_UPLOAD_END, 0, devAddr, pieces + 1}, {}, reply);
}

Status UploadSerial(link::SerialChannel& channel, std::span<const uint8_t> program,
                    link::FrameBuffer& reply, uint8_t devAddr) {
  return Upload(channel, program, reply, devAddr);
}

Status UploadUdp(link::UdpChannel& channel, std::span<const uint8_t> program,
                 link::FrameBuffer& reply, uint8_t devAddr, uint32_t address, uint16_t port) {
  link::UdpPeer peer(channel, address, port);
  return Upload(peer, program, reply, devAddr);
}

Status UploadProgram(const link::Target& target, std::span<const uint8_t> program) {
  if (program.empty()) return Status::Refused;
  link::FrameBuffer reply;
  return WithChannel(
      target,
      [&](link::SerialChannel& channel) {
        return UploadSerial(channel, program, reply, target.devAddr);
      },
      [&](link::UdpChannel& channel, uint32_t address, uint16_t port) {
        return UploadUdp(channel, program, reply, target.devAddr, address, port);
      });
}

}  // namespace veltrane::protocol
