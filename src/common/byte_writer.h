// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace veltrane {

// Writes little-endian values into a fixed span. A write that would pass the end writes nothing
// and marks the writer failed; every later write is refused as well.
class ByteWriter {
 public:
  explicit ByteWriter(std::span<uint8_t> out) : out_(out) {}

  bool U8(uint8_t v) { return Put(&v, 1); }
  bool U16(uint16_t v) {
    const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    return Put(b, 2);
  }
  bool U32(uint32_t v) {
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                          static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    return Put(b, 4);
  }
  bool Bytes(std::span<const uint8_t> bytes) { return Put(bytes.data(), bytes.size()); }
  bool Zeros(size_t count) {
    if (!Reserve(count)) return false;
    std::memset(out_.data() + position_, 0, count);
    position_ += count;
    return true;
  }

  size_t position() const { return position_; }
  bool ok() const { return ok_; }

 private:
  bool Reserve(size_t count) {
    if (!ok_ || count > out_.size() - position_) ok_ = false;
    return ok_;
  }
  bool Put(const uint8_t* bytes, size_t count) {
    if (!Reserve(count)) return false;
    if (count != 0) std::memcpy(out_.data() + position_, bytes, count);
    position_ += count;
    return true;
  }

  std::span<uint8_t> out_;
  size_t position_ = 0;
  bool ok_ = true;
};

}  // namespace veltrane
