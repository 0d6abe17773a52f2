#include "protocol/upload.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "protocol/connection.h"
#include "protocol/exchange.h"
#include "protocol/packets.h"

namespace veltrane::protocol {
namespace {

// The frames of one upload, each built once: sequence 0 is the start packet, 1..N the data
// packets, N + 1 the end packet. Two buffers alternate, so the next packet can be framed while
// the current one waits for its acknowledgement without disturbing the frame that may be resent.
class UploadFrames {
 public:
  UploadFrames(std::span<const uint8_t> program, uint8_t devAddr)
      : program_(program), devAddr_(devAddr), pieces_(UploadPieceCount(program.size())) {}

  uint32_t lastSequence() const { return pieces_ + 1; }

  PacketHeader Header(uint32_t sequence) const {
    const uint16_t cmd = sequence == 0                ? CMD_UPLOAD_START
                         : sequence == lastSequence() ? CMD_UPLOAD_END
                                                      : CMD_UPLOAD_DATA;
    return {cmd, 0, devAddr_, sequence};
  }

  // Frames packet `sequence` unless that is done already (or there is no such packet).
  void Prepare(uint32_t sequence) {
    if (sequence > lastSequence() || framed_[sequence % 2] == sequence) return;
    const PacketHeader header = Header(sequence);
    const auto headerBytes = EncodePacketHeader(header);
    link::FrameBuffer& out = buffers_[sequence % 2];
    lengths_[sequence % 2] =
        static_cast<size_t>(link::EncodeFrameParts(headerBytes, Piece(header), out));
    framed_[sequence % 2] = sequence;
  }

  std::span<const uint8_t> Frame(uint32_t sequence) {
    Prepare(sequence);
    return {buffers_[sequence % 2].data(), lengths_[sequence % 2]};
  }

 private:
  std::span<const uint8_t> Piece(const PacketHeader& header) const {
    if (header.cmd != CMD_UPLOAD_DATA) return {};
    const size_t offset = static_cast<size_t>(header.value - 1) * format::kUploadPieceBytes;
    return program_.subspan(offset, std::min(format::kUploadPieceBytes, program_.size() - offset));
  }

  std::span<const uint8_t> program_;
  uint8_t devAddr_;
  uint32_t pieces_;
  std::array<link::FrameBuffer, 2> buffers_;
  std::array<size_t, 2> lengths_{};
  std::array<uint32_t, 2> framed_{UINT32_MAX, UINT32_MAX};  // the sequence each buffer holds
};

// Accepts the acknowledgement of one packet, and frames the next packet once this one is out.
// Remembers a refusal, so that a packet the screen turned down is not reported as unanswered.
class UploadReplyTest final : public ReplyTest {
 public:
  UploadReplyTest(UploadFrames& frames, uint32_t sequence, link::FrameBuffer& reply)
      : frames_(frames), header_(frames.Header(sequence)), reply_(reply) {}
  ReplyKind Judge(std::span<const uint8_t> frame) override {
    const ReplyKind kind = JudgeUploadReply(frame, header_.cmd, header_.value, reply_);
    if (kind == ReplyKind::Refused) refusal_ = DecodeReplyHeader(reply_)->status;
    return kind;
  }
  void Sent() override { frames_.Prepare(header_.value + 1); }
  // The status of the last refusal seen, if any.
  std::optional<uint16_t> refusal() const { return refusal_; }

 private:
  UploadFrames& frames_;
  PacketHeader header_;
  link::FrameBuffer& reply_;
  std::optional<uint16_t> refusal_;
};

// Why packet `sequence` went unacknowledged: refused, or not answered.
Status Unacknowledged(const UploadReplyTest& test, uint32_t sequence, uint32_t packets,
                      UploadObserver* observer) {
  if (!test.refusal()) return Status::Timeout;
  if (observer != nullptr) observer->Refused(sequence, packets, *test.refusal());
  return {Status::Refused, kUploadRefusedReason};
}

}  // namespace

Status Upload(link::Channel& channel, std::span<const uint8_t> program, link::FrameBuffer& reply,
              uint8_t devAddr, platform::Clock& clock, UploadObserver* observer,
              ExchangeWatcher* watcher) {
  if (program.empty()) return Status::Refused;
  UploadFrames frames(program, devAddr);
  const uint32_t packets = frames.lastSequence() + 1;
  for (uint32_t sequence = 0; sequence <= frames.lastSequence(); ++sequence) {
    UploadReplyTest test(frames, sequence, reply);
    const Status status =
        SendWithTries(channel, frames.Frame(sequence), kUploadWindowMs, test, clock, watcher);
    if (status != Status::Ok) return Unacknowledged(test, sequence, packets, observer);
    if (observer != nullptr) {
      const size_t carried = std::min(program.size(), size_t{sequence} * format::kUploadPieceBytes);
      observer->Acknowledged(sequence + 1, packets, carried);
    }
  }
  return Status::Ok;
}

Status UploadProgram(const DeviceContext& context, const link::Target& target,
                     std::span<const uint8_t> program, UploadObserver* observer) {
  if (program.empty()) return Status::Refused;
  link::FrameBuffer reply;
  return WithChannel(target, [&](link::Channel& channel) {
    return Upload(channel, program, reply, target.devAddr, context.clock, observer,
                  context.watcher);
  });
}

}  // namespace veltrane::protocol
