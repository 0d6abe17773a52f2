#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/status.h"
#include "format/packets.h"
#include "link/channel.h"
#include "link/frame_codec.h"
#include "link/target.h"
#include "platform/clock.h"
#include "protocol/device_context.h"
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
};

// The packets of one upload and the acknowledgement each waits for, as steps a caller takes: send
// Frame() (the same frame on every try), call Sent() after each send, and hand each reply to
// Acknowledges(), which moves on to the next packet when the reply acknowledges this one. Upload
// takes these steps on one channel; a caller waiting on many screens at once takes them itself.
// The program must outlive the steps.
class UploadSteps {
 public:
  UploadSteps(std::span<const uint8_t> program, uint8_t devAddr);
  UploadSteps(const UploadSteps&) = delete;
  UploadSteps& operator=(const UploadSteps&) = delete;

  bool finished() const { return current_ > lastSequence(); }
  // Packets acknowledged so far, of packetsTotal() (start, data and end packets).
  uint32_t packetsDone() const { return current_; }
  uint32_t packetsTotal() const { return lastSequence() + 1; }
  // The program's bytes the acknowledged packets carried.
  size_t bytesDone() const;

  // The frame of the packet now due.
  std::span<const uint8_t> Frame();
  // Frames the next packet, so that the work overlaps the screen's answering.
  void Sent() { Prepare(current_ + 1); }
  // True when `frame` acknowledges the packet now due (its reply body is left in `reply`); the
  // next packet is due from then on.
  bool Acknowledges(std::span<const uint8_t> frame, link::FrameBuffer& reply);

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
  // Two buffers alternate, so the next packet can be framed while the current one waits for its
  // acknowledgement without disturbing the frame that may be resent.
  std::array<link::FrameBuffer, 2> buffers_;
  std::array<size_t, 2> lengths_{};
  std::array<uint32_t, 2> framed_{UINT32_MAX, UINT32_MAX};  // the sequence each buffer holds
};

// Stop-and-wait upload of `program` over `channel`: a start packet (sequence 0), one data packet
// per 512-byte piece (sequences 1..N), an end packet (N + 1), each acknowledged before the next
// goes out and each tried at most kTries times, its windows running on `clock`. Ok when the end
// packet was acknowledged; Timeout as soon as one packet stays unacknowledged (nothing after it is
// sent); Refused for an empty program.
Status Upload(link::Channel& channel, std::span<const uint8_t> program, link::FrameBuffer& reply,
              uint8_t devAddr, platform::Clock& clock, UploadObserver* observer = nullptr);

// Uploads `program` to the screen the target names: opens its channel, runs the upload, closes
// the channel. Ok when the end packet was acknowledged; Timeout when a packet was not; Refused for
// Transport::None or an empty program; OsError when the channel cannot be opened. The caller keeps
// the busy count.
Status UploadProgram(const DeviceContext& context, const link::Target& target,
                     std::span<const uint8_t> program, UploadObserver* observer = nullptr);

}  // namespace veltrane::protocol
