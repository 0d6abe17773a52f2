// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "common/byte_bounds.h"

namespace veltrane {

// Stores `word` little-endian in the four bytes at `out`, which the caller has room for.
inline void StoreLe32(uint8_t* out, uint32_t word) {
  out[0] = static_cast<uint8_t>(word);
  out[1] = static_cast<uint8_t>(word >> 8);
  out[2] = static_cast<uint8_t>(word >> 16);
  out[3] = static_cast<uint8_t>(word >> 24);
}

// Writes little-endian values into a fixed span, one after another or at the offset a field
// sits at. A write that would pass the end writes nothing and fails the writer: every later
// write is refused as well, and failure() says which write passed the end.
class ByteWriter {
 public:
  explicit ByteWriter(std::span<uint8_t> out) : out_(out), bounds_(out.size()) {}

  bool U8(uint8_t v) { return Put(&v, 1); }
  bool U16(uint16_t v) {
    const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    return Put(b, 2);
  }
  bool U32(uint32_t v) {
    uint8_t b[4];
    StoreLe32(b, v);
    return Put(b, 4);
  }
  bool Bytes(std::span<const uint8_t> bytes) { return Put(bytes.data(), bytes.size()); }
  bool Zeros(size_t count) {
    if (!bounds_.Admit(position_, count)) return false;
    std::memset(out_.data() + position_, 0, count);
    position_ += count;
    return true;
  }

  // Field writes at `offset`; the next sequential write follows the field.
  bool U16At(size_t offset, uint16_t v) { return Seek(offset) && U16(v); }
  bool U32At(size_t offset, uint32_t v) { return Seek(offset) && U32(v); }
  bool BytesAt(size_t offset, std::span<const uint8_t> bytes) {
    return Seek(offset) && Bytes(bytes);
  }

  size_t position() const { return position_; }
  bool ok() const { return bounds_.ok(); }
  // Ok while every write fitted; else CannotBuild naming the first write that did not.
  Status failure() const { return bounds_.Failure(Status::CannotBuild, "write"); }

 private:
  bool Seek(size_t offset) {
    if (!bounds_.Admit(offset, 0)) return false;
    position_ = offset;
    return true;
  }
  bool Put(const uint8_t* bytes, size_t count) {
    if (!bounds_.Admit(position_, count)) return false;
    if (count != 0) std::memcpy(out_.data() + position_, bytes, count);
    position_ += count;
    return true;
  }

  std::span<uint8_t> out_;
  ByteBounds bounds_;
  size_t position_ = 0;
};

}  // namespace veltrane
