// SPDX-License-Identifier: MIT
#include "protocol/exchange_steps.h"

#include <algorithm>

#include "common/byte_reader.h"
#include "platform/clock.h"

namespace veltrane::protocol {

ExchangeSteps::ExchangeSteps(const RequestJob& request, const TryPolicy& policy)
    : readsValue_(request.readsValue),
      tries_(policy.tries),
      windowMs_(policy.windowMs != 0 ? policy.windowMs : request.windowMs) {
  const auto cmd = ByteReader(request.body).U16(format::kPacketCmdAt);
  const int32_t length = link::EncodeFrame(request.body, buffers_[0]);
  if (!cmd || length <= 0) {
    Finish(Status::BadArgument);
    return;
  }
  requestCmd_ = *cmd;
  lengths_[0] = static_cast<size_t>(length);
  framed_[0] = 0;
}

ExchangeSteps::ExchangeSteps(const UploadJob& upload, const TryPolicy& policy)
    : program_(upload.program),
      devAddr_(upload.devAddr),
      lastSequence_(format::UploadPieceCount(upload.program.size()) + 1),
      tries_(policy.tries),
      windowMs_(policy.windowMs != 0 ? policy.windowMs : kUploadWindowMs) {
  if (program_.empty()) Finish(Status::BadArgument);
}

PacketHeader ExchangeSteps::Header(uint32_t sequence) const {
  const uint16_t cmd = sequence == 0               ? CMD_UPLOAD_START
                       : sequence == lastSequence_ ? CMD_UPLOAD_END
                                                   : CMD_UPLOAD_DATA;
  return {cmd, 0, devAddr_, sequence};
}

std::span<const uint8_t> ExchangeSteps::Piece(uint32_t sequence) const {
  if (sequence == 0 || sequence == lastSequence_) return {};
  const size_t offset = static_cast<size_t>(sequence - 1) * format::kUploadPieceBytes;
  return program_.subspan(offset, std::min(format::kUploadPieceBytes, program_.size() - offset));
}

void ExchangeSteps::Prepare(uint32_t sequence) {
  if (!uploading() || sequence > lastSequence_ || framed_[sequence % 2] == sequence) return;
  const auto headerBytes = EncodePacketHeader(Header(sequence));
  lengths_[sequence % 2] = static_cast<size_t>(
      link::EncodeFrameParts(headerBytes, Piece(sequence), buffers_[sequence % 2]));
  framed_[sequence % 2] = sequence;
}

std::span<const uint8_t> ExchangeSteps::Frame() {
  // An upload frames its first packet on the first call; later ones are framed ahead in Sent.
  Prepare(current_);
  return {buffers_[current_ % 2].data(), lengths_[current_ % 2]};
}

void ExchangeSteps::Sent(uint32_t nowMs) {
  ++attempt_;
  if (watcher_ != nullptr) TellTry(true);
  openedMs_ = nowMs;
  next_ = Next::Wait;
  lastPacketOut_ = lastPacketOut_ || current_ == lastSequence_;
  // Framing the next packet overlaps the screen's answering.
  Prepare(current_ + 1);
}

void ExchangeSteps::SendFailed() {
  ++attempt_;
  if (watcher_ != nullptr) TellTry(false);
  if (attempt_ >= tries_) GiveUp();
}

ReplyKind ExchangeSteps::Classify(std::span<const uint8_t> frame, link::FrameBuffer& reply) const {
  if (!uploading())
    return CheckReply(frame, requestCmd_, reply) ? ReplyKind::Accepted : ReplyKind::Ignored;
  const PacketHeader header = Header(current_);
  return JudgeUploadReply(frame, header.cmd, header.value, reply);
}

ReplyKind ExchangeSteps::Judge(std::span<const uint8_t> frame, link::FrameBuffer& reply) {
  if (next_ == Next::Done) return ReplyKind::Ignored;
  const ReplyKind kind = Classify(frame, reply);
  if (watcher_ != nullptr) Tell(kind, frame);
  if (kind == ReplyKind::Refused) refusal_ = DecodeReplyHeader(reply)->status;
  if (kind == ReplyKind::Accepted) Accept(reply);
  return kind;
}

void ExchangeSteps::TellTry(bool sent) {
  // Read back from the frame, so the watcher sees the packet exactly as it went.
  const std::span<const uint8_t> frame = Frame();
  link::FrameBuffer body;
  const int32_t length = link::DecodeFrame(frame, body);
  const auto packet =
      length > 0 ? DecodePacketHeader(std::span<const uint8_t>(body.data(), length)) : std::nullopt;
  watcher_->Tried(packet.value_or(PacketHeader{}), attempt_, sent, frame.size(), windowMs_);
}

void ExchangeSteps::Tell(ReplyKind kind, std::span<const uint8_t> frame) const {
  // Only watched conversations pay for the second decoding.
  link::FrameBuffer body;
  const int32_t length = link::DecodeFrame(frame, body);
  const auto header =
      length > 0 ? DecodeReplyHeader(std::span<const uint8_t>(body.data(), length)) : std::nullopt;
  watcher_->Replied(kind, header ? &*header : nullptr);
}

void ExchangeSteps::Accept(const link::FrameBuffer& reply) {
  if (readsValue_)
    outcome_.value =
        static_cast<int32_t>(ByteReader(reply).U32(format::kPacketValueAt).value_or(~0u));
  ++current_;
  attempt_ = 0;
  refusal_.reset();
  if (observer_ != nullptr) observer_->Acknowledged(current_, packetsTotal(), bytesDone());
  if (current_ > lastSequence_)
    Finish(Status::Ok);
  else
    next_ = Next::Send;
}

uint32_t ExchangeSteps::RemainingMs(uint32_t nowMs) const {
  const uint32_t elapsed = platform::ElapsedMs(openedMs_, nowMs);
  return elapsed >= windowMs_ ? 0 : windowMs_ - elapsed;
}

void ExchangeSteps::Expire() {
  if (next_ != Next::Wait) return;
  if (attempt_ >= tries_)
    GiveUp();
  else
    next_ = Next::Send;
}

void ExchangeSteps::Cancel() {
  if (next_ != Next::Done && !lastPacketOut_) Finish({Status::Cancelled, kCancelledReason});
}

void ExchangeSteps::GiveUp() {
  if (!refusal_) return Finish(Status::Timeout);
  if (observer_ != nullptr) observer_->Refused(current_, packetsTotal(), *refusal_);
  outcome_.refusal = refusal_;
  Finish({Status::Refused, kUploadRefusedReason});
}

size_t ExchangeSteps::bytesDone() const {
  if (!uploading()) return 0;
  return std::min(program_.size(),
                  size_t{current_ > 0 ? current_ - 1 : 0} * format::kUploadPieceBytes);
}

void ExchangeSteps::Finish(Status status) {
  next_ = Next::Done;
  outcome_.status = status;
  outcome_.packetsDone = std::min(current_, packetsTotal());
  outcome_.packetsTotal = packetsTotal();
  outcome_.bytesDone = bytesDone();
}

}  // namespace veltrane::protocol
