// SPDX-License-Identifier: MIT
// DecodeFrame on arbitrary bytes: it must stay inside its buffers (the sanitizers watch the exact
// -size copies below), agree with a straightforward decoder, and any body it accepts must
// encode back to a frame that decodes to the same body.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "link/crc16.h"
#include "link/frame_codec.h"

namespace {

using veltrane::link::MaxFrameSize;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Byte-at-a-time decoding, written for clarity rather than speed.
int32_t DecodeSlowly(const uint8_t* frame, size_t length, uint8_t* out) {
  if (length < 2 || frame[0] != 0x55 || frame[length - 1] != 0xAA) return 0;
  size_t in = 1, produced = 0;
  while (in < length - 1 && produced < MaxFrameSize) {
    if (frame[in] == 0xBB) {
      out[produced++] = static_cast<uint8_t>(frame[in + 1] - 1);
      in += 2;
    } else {
      out[produced++] = frame[in++];
    }
  }
  if (produced < 3) return 0;
  const uint16_t crc = veltrane::link::CrcTwoTable({out, produced - 2});
  if (out[produced - 2] != (crc >> 8) || out[produced - 1] != (crc & 0xFF)) return 0;
  return static_cast<int32_t>(produced - 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exact-size heap copies, so that any read or write past either end is caught.
  auto input = std::make_unique<uint8_t[]>(size);
  if (size != 0) std::memcpy(input.get(), data, size);
  auto out = std::make_unique<uint8_t[]>(MaxFrameSize);
  auto expected = std::make_unique<uint8_t[]>(MaxFrameSize);

  const int32_t n = veltrane::link::DecodeFrame(
      {input.get(), size}, std::span<uint8_t, MaxFrameSize>(out.get(), MaxFrameSize));
  Check(n >= 0 && static_cast<size_t>(n) <= MaxFrameSize - 2);
  Check(n == DecodeSlowly(input.get(), size, expected.get()));
  if (n == 0) return 0;
  Check(std::memcmp(out.get(), expected.get(), static_cast<size_t>(n)) == 0);

  // Round trip: the accepted body, framed again, decodes to itself.
  const size_t bound = veltrane::link::EncodedFrameBound(static_cast<size_t>(n));
  auto frame = std::make_unique<uint8_t[]>(bound);
  const int32_t framed =
      veltrane::link::EncodeFrame({out.get(), static_cast<size_t>(n)}, {frame.get(), bound});
  Check(framed >= n + 4 && static_cast<size_t>(framed) <= bound);
  auto again = std::make_unique<uint8_t[]>(MaxFrameSize);
  Check(veltrane::link::DecodeFrame({frame.get(), static_cast<size_t>(framed)},
                                    std::span<uint8_t, MaxFrameSize>(again.get(), MaxFrameSize)) ==
        n);
  Check(std::memcmp(again.get(), out.get(), static_cast<size_t>(n)) == 0);
  return 0;
}
