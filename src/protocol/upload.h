#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/status.h"
#include "format/packets.h"
#include "link/channel.h"
#include "link/frame_codec.h"
#include "link/target.h"

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

// Stop-and-wait upload of `program` over `channel`: a start packet (sequence 0), one data packet
// per 512-byte piece (sequences 1..N), an end packet (N + 1), each acknowledged before the next
// goes out and each tried at most kTries times. Ok when the end packet was acknowledged; Timeout
// as soon as one packet stays unacknowledged (nothing after it is sent); Refused for an empty
// program.
Status Upload(link::Channel& channel, std::span<const uint8_t> program, link::FrameBuffer& reply,
              uint8_t devAddr, UploadObserver* observer = nullptr);

// Uploads `program` to the screen the target names: opens its channel, runs the upload, closes
// the channel. Ok when the end packet was acknowledged; Timeout when a packet was not; Refused for
// Transport::None or an empty program; OsError when the channel cannot be opened. The caller keeps
// the busy count.
Status UploadProgram(const link::Target& target, std::span<const uint8_t> program,
                     UploadObserver* observer = nullptr);

}  // namespace veltrane::protocol
