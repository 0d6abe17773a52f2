// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/byte_bounds.h"

namespace veltrane {

// Reads little-endian values at explicit offsets of a span. A read that would pass the end gives
// nothing and fails the reader: every later read gives nothing too, and failure() says which
// read passed the end.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> in) : in_(in), bounds_(in.size()) {}

  std::optional<uint8_t> U8(size_t offset) {
    if (!bounds_.Admit(offset, 1)) return std::nullopt;
    return in_[offset];
  }
  std::optional<uint16_t> U16(size_t offset) {
    if (!bounds_.Admit(offset, 2)) return std::nullopt;
    return static_cast<uint16_t>(in_[offset] | (in_[offset + 1] << 8));
  }
  std::optional<uint32_t> U32(size_t offset) {
    if (!bounds_.Admit(offset, 4)) return std::nullopt;
    return static_cast<uint32_t>(in_[offset]) | (static_cast<uint32_t>(in_[offset + 1]) << 8) |
           (static_cast<uint32_t>(in_[offset + 2]) << 16) |
           (static_cast<uint32_t>(in_[offset + 3]) << 24);
  }
  std::optional<std::span<const uint8_t>> Bytes(size_t offset, size_t count) {
    if (!bounds_.Admit(offset, count)) return std::nullopt;
    return in_.subspan(offset, count);
  }

  size_t size() const { return in_.size(); }
  bool Fits(size_t offset, size_t count) const { return bounds_.Fits(offset, count); }
  bool ok() const { return bounds_.ok(); }
  // Ok while every read fitted; else BadArgument naming the first read that did not: the bytes
  // came from outside and are shorter than they say.
  Status failure() const { return bounds_.Failure(Status::BadArgument, "read"); }

 private:
  std::span<const uint8_t> in_;
  ByteBounds bounds_;
};

}  // namespace veltrane
