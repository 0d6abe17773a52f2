// SPDX-License-Identifier: MIT
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
  ReplyKind Judge(std::span<const uint8_t> frame) override { return steps_.Judge(frame, reply_); }
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

ReplyKind UploadSteps::Judge(std::span<const uint8_t> frame, link::FrameBuffer& reply) {
  if (finished()) return ReplyKind::Ignored;
  const PacketHeader header = Header(current_);
  const ReplyKind kind = JudgeUploadReply(frame, header.cmd, header.value, reply);
  if (kind == ReplyKind::Refused) refusal_ = DecodeReplyHeader(reply)->status;
  if (kind == ReplyKind::Accepted) {
    ++current_;
    refusal_.reset();
  }
  return kind;
}

Status UploadSteps::Unacknowledged() const {
  if (!refusal_) return Status::Timeout;
  return {Status::Refused, kUploadRefusedReason};
}

Status Upload(link::Channel& channel, std::span<const uint8_t> program, link::FrameBuffer& reply,
              uint8_t devAddr, platform::Clock& clock, UploadObserver* observer,
              ExchangeWatcher* watcher) {
  if (program.empty()) return Status::BadArgument;
  UploadSteps steps(program, devAddr);
  while (!steps.finished()) {
    StepReplyTest test(steps, reply);
    const Status status =
        SendWithTries(channel, steps.Frame(), kUploadWindowMs, test, clock, watcher);
    if (status != Status::Ok) {
      if (steps.refusal() && observer != nullptr)
        observer->Refused(steps.packetsDone(), steps.packetsTotal(), *steps.refusal());
      return steps.Unacknowledged();
    }
    if (observer != nullptr)
      observer->Acknowledged(steps.packetsDone(), steps.packetsTotal(), steps.bytesDone());
  }
  return Status::Ok;
}

Status UploadProgram(const DeviceContext& context, const link::Target& target,
                     std::span<const uint8_t> program, UploadObserver* observer) {
  if (program.empty()) return Status::BadArgument;
  link::FrameBuffer reply;
  return WithChannel(target, [&](link::Channel& channel) {
    return Upload(channel, program, reply, target.devAddr, context.clock, observer,
                  context.watcher);
  });
}

}  // namespace veltrane::protocol
