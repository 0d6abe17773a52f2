#include "protocol/upload.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "protocol/connection.h"
#include "protocol/exchange.h"
#include "protocol/packets.h"

namespace veltrane::protocol {
namespace {

// Hands each reply to the steps, which move on to the next packet once one acknowledges.
class StepReplyTest final : public ReplyTest {
 public:
  StepReplyTest(UploadSteps& steps, link::FrameBuffer& reply) : steps_(steps), reply_(reply) {}
  bool Accepts(std::span<const uint8_t> frame) override {
    return steps_.Acknowledges(frame, reply_);
  }
  void Sent() override { steps_.Sent(); }

 private:
  UploadSteps& steps_;
  link::FrameBuffer& reply_;
};

}  // namespace

UploadSteps::UploadSteps(std::span<const uint8_t> program, uint8_t devAddr)
    : program_(program), devAddr_(devAddr), pieces_(UploadPieceCount(program.size())) {}

size_t UploadSteps::bytesDone() const {
  return std::min(program_.size(),
                  size_t{current_ > 0 ? current_ - 1 : 0} * format::kUploadPieceBytes);
}

PacketHeader UploadSteps::Header(uint32_t sequence) const {
  const uint16_t cmd = sequence == 0                ? CMD_UPLOAD_START
                       : sequence == lastSequence() ? CMD_UPLOAD_END
                                                    : CMD_UPLOAD_DATA;
  return {cmd, 0, devAddr_, sequence};
}

void UploadSteps::Prepare(uint32_t sequence) {
  if (sequence > lastSequence() || framed_[sequence % 2] == sequence) return;
  const auto headerBytes = EncodePacketHeader(Header(sequence));
  lengths_[sequence % 2] = static_cast<size_t>(
      link::EncodeFrameParts(headerBytes, Piece(sequence), buffers_[sequence % 2]));
  framed_[sequence % 2] = sequence;
}

std::span<const uint8_t> UploadSteps::Piece(uint32_t sequence) const {
  if (sequence == 0 || sequence == lastSequence()) return {};
  const size_t offset = static_cast<size_t>(sequence - 1) * format::kUploadPieceBytes;
  return program_.subspan(offset, std::min(format::kUploadPieceBytes, program_.size() - offset));
}

std::span<const uint8_t> UploadSteps::Frame() {
  Prepare(current_);
  return {buffers_[current_ % 2].data(), lengths_[current_ % 2]};
}

bool UploadSteps::Acknowledges(std::span<const uint8_t> frame, link::FrameBuffer& reply) {
  const PacketHeader header = Header(current_);
  if (finished() || !CheckUploadReply(frame, header.cmd, header.value, reply)) return false;
  ++current_;
  return true;
}

Status Upload(link::Channel& channel, std::span<const uint8_t> program, link::FrameBuffer& reply,
              uint8_t devAddr, platform::Clock& clock, UploadObserver* observer) {
  if (program.empty()) return Status::Refused;
  UploadSteps steps(program, devAddr);
  while (!steps.finished()) {
    StepReplyTest test(steps, reply);
    const Status status = SendWithTries(channel, steps.Frame(), kUploadWindowMs, test, clock);
    if (status != Status::Ok) return status;
    if (observer != nullptr)
      observer->Acknowledged(steps.packetsDone(), steps.packetsTotal(), steps.bytesDone());
  }
  return Status::Ok;
}

Status UploadProgram(const DeviceContext& context, const link::Target& target,
                     std::span<const uint8_t> program, UploadObserver* observer) {
  if (program.empty()) return Status::Refused;
  link::FrameBuffer reply;
  return WithChannel(target, [&](link::Channel& channel) {
    return Upload(channel, program, reply, target.devAddr, context.clock, observer);
  });
}

}  // namespace veltrane::protocol
