// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "link/frame_codec.h"

namespace veltrane::link {

// Cuts link frames out of a byte stream. A 0x55 starts a frame (dropping any frame in progress),
// an 0xAA ends it; bytes outside a frame are noise and dropped. A frame that outgrows
// MaxFrameSize is abandoned and the bytes up to the next 0x55 dropped, so the buffer is never
// overrun and the next frame is still found.
class FrameAssembler {
 public:
  // Feeds `bytes` in order, handing each complete frame (both markers included) to `onFrame`.
  // When `onFrame` returns true the frame is taken: the rest of `bytes` is dropped and Feed
  // returns true.
  template <class OnFrame>
  bool Feed(std::span<const uint8_t> bytes, OnFrame&& onFrame) {
    for (const uint8_t b : bytes) {
      if (b == kFrameStart) {
        buffer_[0] = b;
        length_ = 1;
        continue;
      }
      if (length_ == 0) continue;
      if (length_ == buffer_.size()) {
        length_ = 0;
        continue;
      }
      buffer_[length_++] = b;
      if (b != kFrameEnd) continue;
      const std::span<const uint8_t> frame(buffer_.data(), length_);
      length_ = 0;
      if (onFrame(frame)) return true;
    }
    return false;
  }

  void Reset() { length_ = 0; }
  size_t pendingBytes() const { return length_; }

 private:
  // Left uninitialised: only the bytes of the frame in progress are ever read, and an exchange
  // makes an assembler for every receive window.
  FrameBuffer buffer_;
  size_t length_ = 0;  // bytes of the frame in progress; 0 outside a frame
};

}  // namespace veltrane::link
