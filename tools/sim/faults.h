// SPDX-License-Identifier: MIT
// The faults a simulated screen injects, and the draws that decide, request by request, which of
// them strike: the part of the simulator that misbehaves on purpose, apart from the part that
// serves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <vector>

namespace veltrane::sim {

// What can go wrong with an upload packet's acknowledgement.
enum class AckFault {
  Drop,        // no acknowledgement
  StatusZero,  // acknowledged with status 0
  Late,        // acknowledged only after Faults::lateAckMs
};

// A fault on the acknowledgement of the upload packet with sequence number `sequence` (0 is the
// start packet). It hits the first `times` receptions of that packet.
struct PacketFault {
  uint32_t sequence = 0;
  AckFault fault = AckFault::Drop;
  uint32_t times = 1;
};

// The faults a simulated screen injects. Shares are probabilities (0..1) drawn from a generator
// seeded with `seed`, so a run is reproducible.
struct Faults {
  uint32_t seed = 1;
  double dropRequestShare = 0;     // requests lost on their way in
  double corruptRequestShare = 0;  // requests damaged on their way in (they fail their CRC)
  double dropReplyShare = 0;       // replies lost on their way out
  double corruptReplyShare = 0;    // replies damaged on their way out
  uint32_t delayMs = 0;            // every reply goes out this late
  uint32_t jitterMs = 0;           // and up to this much later again, drawn for each reply
  bool answerTwice = false;        // every reply is sent again, duplicateGapMs after the first
  uint32_t duplicateGapMs = 20;
  bool otherSourcePort = false;  // UDP replies come from another port than the one asked
  bool silent = false;           // nothing is answered
  std::vector<PacketFault> packetFaults;
  uint32_t lateAckMs = 1300;    // after the next try's window has opened
  bool staleAcks = false;       // each acknowledgement is preceded by the previous one again
  bool refusePrograms = false;  // every program is refused at its end packet (status 0)
};

// One screen's draws: its own generator and how often each packet fault has struck. Draws are
// taken only for the faults asked for, so that adding one leaves the others' draws as they were.
class FaultDraws {
 public:
  // Starts over for screen number `screen`: the first screen draws what a lone screen draws, the
  // others are seeded apart from it.
  void Reset(const Faults& faults, size_t screen);
  // True with probability `share`.
  bool Chance(double share);
  // The extra delay --jitter adds to one reply.
  uint32_t Jitter(const Faults& faults);
  // The acknowledgement fault that strikes this reception of upload packet `sequence`, if any.
  std::optional<AckFault> TakePacketFault(const Faults& faults, uint32_t sequence);
  // Changes one byte between the markers that is neither a marker nor an escape into another
  // such byte, so the damage is a single wrong body or CRC byte, which the CRC always catches.
  void Corrupt(std::span<uint8_t> frame);

 private:
  std::mt19937 random_;
  std::vector<uint32_t> packetFaultHits_;
};

}  // namespace veltrane::sim
