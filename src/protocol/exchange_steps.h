// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/status.h"
#include "link/frame_codec.h"
#include "protocol/packets.h"

namespace veltrane::protocol {

// Every request and upload packet is sent at most this often, unless a run asks for more.
constexpr int kTries = 3;
// The receive window of each try of each upload packet.
constexpr uint32_t kUploadWindowMs = 1000;
// What a run may ask for at most: an operator on a slow radio link needs more than the protocol's
// own, but a run must still end in reasonable time.
constexpr int kMaxTries = 10;
constexpr uint32_t kMaxWindowMs = 60000;

// How hard each packet of a run is tried. The defaults are the screen protocol's own, which every
// export that drives one screen keeps.
struct TryPolicy {
  int tries = kTries;     // 1..kMaxTries
  uint32_t windowMs = 0;  // 1..kMaxWindowMs; 0: the window of the command or upload itself
};

// The reason a refused upload gives.
inline constexpr const char* kUploadRefusedReason = "the screen answered but refused the upload";
// The reason a cancelled run gives.
inline constexpr const char* kCancelledReason = "cancelled before the screen was done";

// Told of each try and of each frame that arrives in its window, on the exchanging thread: what a
// tool shows of the conversation. Watching changes nothing on the wire.
class ExchangeWatcher {
 public:
  // Try `attempt` (1..tries) of `packet`, framed in `frameBytes` bytes: sent, and now waiting
  // `windowMs`; or refused by the channel, and over at once.
  virtual void Tried(const PacketHeader& packet, int attempt, bool sent, size_t frameBytes,
                     uint32_t windowMs) = 0;
  // What the waiting try made of an arrived frame; `reply` is its decoded reply header, or
  // nullptr when it is not one.
  virtual void Replied(ReplyKind kind, const ReplyHeader* reply) = 0;

 protected:
  ~ExchangeWatcher() = default;
};

// Told of each packet the screen acknowledges during an upload (for progress displays).
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

// How a conversation with one screen ended.
struct Outcome {
  Status status = Status::Timeout;
  std::optional<int32_t> value;  // what a query read, once the screen answered it
  uint32_t packetsDone = 0;      // packets acknowledged: an answered request counts one
  uint32_t packetsTotal = 0;
  size_t bytesDone = 0;  // program bytes the acknowledged upload packets carried
  // For an upload that ended Refused: the status the screen refused packet `packetsDone` with.
  std::optional<uint16_t> refusal;
};

// One request: its body (framed once, when the steps are made) and the window of each try.
struct RequestJob {
  std::span<const uint8_t> body;
  uint32_t windowMs = 0;
  bool readsValue = false;  // a query: the reply's value is the outcome's
};

// One upload: a start packet, a data packet per piece of `program`, an end packet.
struct UploadJob {
  std::span<const uint8_t> program;  // must outlive the steps
  uint8_t devAddr = 0;
};

// The whole conversation with one screen as steps, with no input or output of its own: which
// frame to send, how often, how long each window is, what an arrived frame means, when an upload
// moves on, how it ends. A driver does what next() says and reports back:
//   Send: send Frame(), then Sent(now) (or SendFailed() when the channel took nothing);
//   Wait: hand each arrived frame to Judge(); when RemainingMs(now) is 0, Expire();
//   Done: outcome() says how it went.
// A frame sent is resent unchanged on every try. Times are readings of a wrapping millisecond
// tick, so a wrap neither shortens nor ends a window.
class ExchangeSteps {
 public:
  enum class Next { Send, Wait, Done };

  // Done at once, BadArgument, when the body does not make one frame or holds no command code.
  ExchangeSteps(const RequestJob& request, const TryPolicy& policy = {});
  // Done at once, BadArgument, for an empty program.
  ExchangeSteps(const UploadJob& upload, const TryPolicy& policy = {});
  ExchangeSteps(const ExchangeSteps&) = delete;
  ExchangeSteps& operator=(const ExchangeSteps&) = delete;

  // Who is told of tries, replies and acknowledgements; either may be null.
  void Watch(ExchangeWatcher* watcher, UploadObserver* observer = nullptr) {
    watcher_ = watcher;
    observer_ = observer;
  }

  Next next() const { return next_; }
  // The frame of the packet now due.
  std::span<const uint8_t> Frame();
  // The frame went out at `nowMs`: its window opens.
  void Sent(uint32_t nowMs);
  // The channel took none of the frame: the try is used up without a window.
  void SendFailed();
  // What `frame` is to the packet now due (its reply body is left in `reply`). An acceptance
  // moves on to the next packet or ends the conversation; a refusal is remembered until the
  // packet is acknowledged, and ends no window.
  ReplyKind Judge(std::span<const uint8_t> frame, link::FrameBuffer& reply);
  // What is left of the open window at `nowMs`; 0 once it is over.
  uint32_t RemainingMs(uint32_t nowMs) const;
  // The open window ran out: the next try, or the end when the tries are used up.
  void Expire();
  // Stops as soon as nothing the screen may act on is left unreported: at once, unless the last
  // packet (the request, or an upload's end) has gone out, whose tries then run to their end.
  void Cancel();

  const Outcome& outcome() const { return outcome_; }
  uint32_t windowMs() const { return windowMs_; }
  // The packets done so far and in all, as outcome() will count them.
  uint32_t packetsDone() const { return current_; }
  uint32_t packetsTotal() const { return lastSequence_ + 1; }
  // The program bytes the acknowledged packets carried.
  size_t bytesDone() const;

 private:
  bool uploading() const { return !program_.empty(); }
  // The header of upload packet `sequence`.
  PacketHeader Header(uint32_t sequence) const;
  std::span<const uint8_t> Piece(uint32_t sequence) const;
  // Frames packet `sequence` unless that is done already (or there is no such packet).
  void Prepare(uint32_t sequence);
  ReplyKind Classify(std::span<const uint8_t> frame, link::FrameBuffer& reply) const;
  void Accept(const link::FrameBuffer& reply);
  // Ends the conversation with `status`, counting what was done.
  void Finish(Status status);
  // The packet now due stayed unacknowledged after its tries.
  void GiveUp();
  // Tells the watcher of the try just made (or failed) and of a frame that arrived.
  void TellTry(bool sent);
  void Tell(ReplyKind kind, std::span<const uint8_t> frame) const;

  std::span<const uint8_t> program_;  // empty for a request
  uint8_t devAddr_ = 0;
  uint16_t requestCmd_ = 0;
  bool readsValue_ = false;
  uint32_t lastSequence_ = 0;  // the request, or an upload's end packet
  int tries_ = kTries;
  uint32_t windowMs_ = 0;

  Next next_ = Next::Send;
  uint32_t current_ = 0;  // the sequence number of the packet now due
  int attempt_ = 0;       // tries of the packet now due so far
  uint32_t openedMs_ = 0;
  bool lastPacketOut_ = false;
  std::optional<uint16_t> refusal_;
  Outcome outcome_;
  ExchangeWatcher* watcher_ = nullptr;
  UploadObserver* observer_ = nullptr;

  // Two buffers alternate during an upload, so the next packet can be framed while the current
  // one waits for its acknowledgement without disturbing the frame that may be resent.
  std::array<link::FrameBuffer, 2> buffers_;
  std::array<size_t, 2> lengths_{};
  std::array<uint32_t, 2> framed_{UINT32_MAX, UINT32_MAX};  // the sequence each buffer holds
};

}  // namespace veltrane::protocol
