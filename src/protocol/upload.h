// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/status.h"
#include "format/packets.h"
#include "link/channel.h"
#include "link/frame_codec.h"
#include "link/target.h"
#include "platform/clock.h"
#include "protocol/device_context.h"
#include "protocol/exchange.h"
#include "protocol/packets.h"

namespace veltrane::protocol {

// The receive window of each try of each upload packet.
constexpr uint32_t kUploadWindowMs = 1000;

using format::UploadPieceCount;

// Told of each packet the screen acknowledges, on the uploading thread (for progress displays).
class UploadObserver {
 public:
  virtual ~UploadObserver() = default;
  // `packetsDone` of `packetsTotal` (start, data and end packets) are acknowledged, carrying
  // `bytesDone` bytes of the program.
  virtual void Acknowledged(uint32_t packetsDone, uint32_t packetsTotal, size_t bytesDone) = 0;
  // The tries of packet `sequence` (0 the start packet, `packetsTotal` - 1 the end packet) ran
  // out, and the screen had answered it with status `status`, a refusal: the upload ends Refused.
  virtual void Refused(uint32_t /*sequence*/, uint32_t /*packetsTotal*/, uint16_t /*status*/) {}
};

// The reason a refused upload gives.
inline constexpr const char* kUploadRefusedReason = "the screen answered but refused the upload";

// The packets of one upload and the acknowledgement each waits for, as steps a caller takes: send
// Frame() (the same frame on every try), call Sent() after each send, and hand each reply to
// Judge(), which moves on to the next packet when the reply acknowledges this one. Upload
// takes these steps on one channel; a caller waiting on many screens at once takes them itself.
// The program must outlive the steps.
class UploadSteps {
 public:
  UploadSteps(std::span<const uint8_t> program, uint8_t devAddr);
  UploadSteps(const UploadSteps&) = delete;
  UploadSteps& operator=(const UploadSteps&) = delete;

  bool finished() const { return current_ > lastSequence(); }
  // Packets acknowledged so far, of packetsTotal() (start, data and end packets); also the
  // sequence number of the packet now due.
  uint32_t packetsDone() const { return current_; }
  uint32_t packetsTotal() const { return lastSequence() + 1; }
  // The program's bytes the acknowledged packets carried.
  size_t bytesDone() const;

  // The frame of the packet now due.
  std::span<const uint8_t> Frame();
  // Frames the next packet, so that the work overlaps the screen's answering.
  void Sent() { Prepare(current_ + 1); }
  // What `frame` is to the packet now due (its reply body is left in `reply`). After Accepted the
  // next packet is due; a refusal is remembered until then, since it does not end a window.
  ReplyKind Judge(std::span<const uint8_t> frame, link::FrameBuffer& reply);
  // The status the screen refused the packet now due with, if it answered it so.
  std::optional<uint16_t> refusal() const { return refusal_; }
  // Why the packet now due stayed unacknowledged after its tries: Refused with
  // kUploadRefusedReason when the screen answered it with a refusal, else Timeout.
  Status Unacknowledged() const;

 private:
  uint32_t lastSequence() const { return pieces_ + 1; }
  PacketHeader Header(uint32_t sequence) const;
  // Frames packet `sequence` unless that is done already (or there is no such packet).
  void Prepare(uint32_t sequence);
  std::span<const uint8_t> Piece(uint32_t sequence) const;

  std::span<const uint8_t> program_;
  uint8_t devAddr_;
  uint32_t pieces_;
  uint32_t current_ = 0;
  std::optional<uint16_t> refusal_;
  // Two buffers alternate, so the next packet can be framed while the current one waits for its
  // acknowledgement without disturbing the frame that may be resent.
  std::array<link::FrameBuffer, 2> buffers_;
  std::array<size_t, 2> lengths_{};
  std::array<uint32_t, 2> framed_{UINT32_MAX, UINT32_MAX};  // the sequence each buffer holds
};

// Stop-and-wait upload of `program` over `channel`: a start packet (sequence 0), one data packet
// per 512-byte piece (sequences 1..N), an end packet (N + 1), each acknowledged before the next
// goes out and each tried at most kTries times, its windows running on `clock`. Ok when the end
// packet was acknowledged. As soon as one packet stays unacknowledged nothing after it is sent,
// and the result says why: Refused with kUploadRefusedReason when the screen answered that packet
// with a refusal in any of its windows (a refusal does not end a window or save a try), Timeout
// when it did not answer. BadArgument for an empty program. `watcher`, when given, sees every
// try and reply.
Status Upload(link::Channel& channel, std::span<const uint8_t> program, link::FrameBuffer& reply,
              uint8_t devAddr, platform::Clock& clock, UploadObserver* observer = nullptr,
              ExchangeWatcher* watcher = nullptr);

// Uploads `program` to the screen the target names: opens its channel, runs the upload, closes
// the channel. Ok when the end packet was acknowledged; Refused (with kUploadRefusedReason) or
// Timeout when a packet was not, as Upload says; BadArgument for Transport::None or an empty
// program; OsError when the channel cannot be opened. The context's watcher sees the tries. The
// caller keeps the busy count.
Status UploadProgram(const DeviceContext& context, const link::Target& target,
                     std::span<const uint8_t> program, UploadObserver* observer = nullptr);

}  // namespace veltrane::protocol
