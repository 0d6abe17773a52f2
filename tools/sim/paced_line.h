// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace veltrane::sim {

// One direction of a serial line at a given bit rate: a byte takes 10 bit times on the wire
// (start bit, 8 data bits, stop bit), and a byte offered while the line is busy waits for the
// ones before it. A rate of 0 is an unpaced line that carries everything at once.
class PacedLine {
 public:
  static constexpr uint64_t kBitsPerByte = 10;

  explicit PacedLine(uint32_t bitsPerSecond = 0)
      : byteNs_(bitsPerSecond == 0
                    ? 0
                    : (kBitsPerByte * 1000000000 + bitsPerSecond / 2) / bitsPerSecond) {}

  bool paced() const { return byteNs_ != 0; }

  // Offers `bytes` at `offeredNs`; returns when the last of them has crossed the line.
  uint64_t Carry(uint64_t offeredNs, size_t bytes) {
    if (!paced()) return offeredNs;
    freeAtNs_ = std::max(freeAtNs_, offeredNs) + byteNs_ * bytes;
    return freeAtNs_;
  }

 private:
  uint64_t byteNs_;
  uint64_t freeAtNs_ = 0;  // when the line has carried everything offered so far
};

}  // namespace veltrane::sim
