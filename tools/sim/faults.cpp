// SPDX-License-Identifier: MIT
#include "sim/faults.h"

#include "link/frame_codec.h"

namespace veltrane::sim {
namespace {

bool IsReserved(uint8_t b) {
  return b == link::kFrameStart || b == link::kFrameEnd || b == link::kFrameEscape;
}

}  // namespace

void FaultDraws::Reset(const Faults& faults, size_t screen) {
  constexpr uint32_t kSeedSpread = 0x9E3779B9;
  random_.seed(faults.seed ^ static_cast<uint32_t>(screen * kSeedSpread));
  packetFaultHits_.assign(faults.packetFaults.size(), 0);
}

bool FaultDraws::Chance(double share) {
  if (share <= 0) return false;
  return std::uniform_real_distribution<double>(0.0, 1.0)(random_) < share;
}

uint32_t FaultDraws::Jitter(const Faults& faults) {
  if (faults.jitterMs == 0) return 0;
  return std::uniform_int_distribution<uint32_t>(0, faults.jitterMs)(random_);
}

std::optional<AckFault> FaultDraws::TakePacketFault(const Faults& faults, uint32_t sequence) {
  for (size_t i = 0; i < faults.packetFaults.size(); ++i) {
    const PacketFault& fault = faults.packetFaults[i];
    if (fault.sequence != sequence || packetFaultHits_[i] >= fault.times) continue;
    ++packetFaultHits_[i];
    return fault.fault;
  }
  return std::nullopt;
}

void FaultDraws::Corrupt(std::span<uint8_t> frame) {
  if (frame.size() < 3) return;
  const size_t inner = frame.size() - 2;
  const size_t start = std::uniform_int_distribution<size_t>(0, inner - 1)(random_);
  for (size_t step = 0; step < inner; ++step) {
    uint8_t& b = frame[1 + (start + step) % inner];
    if (IsReserved(b)) continue;
    uint8_t mask = static_cast<uint8_t>(std::uniform_int_distribution<int>(1, 255)(random_));
    while (IsReserved(static_cast<uint8_t>(b ^ mask))) mask = static_cast<uint8_t>(mask % 255 + 1);
    b ^= mask;
    return;
  }
}

}  // namespace veltrane::sim
