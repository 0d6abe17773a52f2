// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace veltrane {

// Reads little-endian values at explicit offsets of a span; a read that would pass the end
// gives nothing.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> in) : in_(in) {}

  std::optional<uint8_t> U8(size_t offset) const {
    if (!Fits(offset, 1)) return std::nullopt;
    return in_[offset];
  }
  std::optional<uint16_t> U16(size_t offset) const {
    if (!Fits(offset, 2)) return std::nullopt;
    return static_cast<uint16_t>(in_[offset] | (in_[offset + 1] << 8));
  }
  std::optional<uint32_t> U32(size_t offset) const {
    if (!Fits(offset, 4)) return std::nullopt;
    return static_cast<uint32_t>(in_[offset]) | (static_cast<uint32_t>(in_[offset + 1]) << 8) |
           (static_cast<uint32_t>(in_[offset + 2]) << 16) |
           (static_cast<uint32_t>(in_[offset + 3]) << 24);
  }
  std::optional<std::span<const uint8_t>> Bytes(size_t offset, size_t count) const {
    if (!Fits(offset, count)) return std::nullopt;
    return in_.subspan(offset, count);
  }

  size_t size() const { return in_.size(); }
  bool Fits(size_t offset, size_t count) const {
    return offset <= in_.size() && count <= in_.size() - offset;
  }

 private:
  std::span<const uint8_t> in_;
};

}  // namespace veltrane
