// SPDX-License-Identifier: MIT
#include "support/reference_codec.h"

#include "link/crc16.h"

namespace veltrane::testing {
namespace {

struct TwoTableCrc {
  uint8_t low = 0xFF;
  uint8_t high = 0xFF;
  void Add(uint8_t b) {
    const uint8_t index = b ^ low;
    low = link::kCrcTableFirst[index] ^ high;
    high = link::kCrcTableSecond[index];
  }
};

int32_t PutEscaped(uint8_t b, uint8_t* out) {
  if (b == 0x55 || b == 0xAA || b == 0xBB) {
    out[0] = 0xBB;
    out[1] = static_cast<uint8_t>(b + 1);
    return 2;
  }
  out[0] = b;
  return 1;
}

}  // namespace

int32_t EncodeFramePlain(std::span<const uint8_t> body, std::span<uint8_t> out) {
  if (out.size() < link::EncodedFrameBound(body.size())) return 0;
  TwoTableCrc crc;
  int32_t n = 0;
  out[n++] = 0x55;
  for (uint8_t b : body) {
    n += PutEscaped(b, &out[n]);
    crc.Add(b);
  }
  n += PutEscaped(crc.high, &out[n]);
  n += PutEscaped(crc.low, &out[n]);
  out[n++] = 0xAA;
  return n;
}

int32_t DecodeFramePlain(std::span<const uint8_t> frame,
                         std::span<uint8_t, link::MaxFrameSize> out) {
  const size_t length = frame.size();
  if (length < 2 || frame[0] != 0x55 || frame[length - 1] != 0xAA) return 0;
  size_t in = 1;
  size_t produced = 0;
  while (in < length - 1 && produced < link::MaxFrameSize) {
    if (frame[in] == 0xBB) {
      out[produced++] = static_cast<uint8_t>(frame[in + 1] - 1);
      in += 2;
    } else {
      out[produced++] = frame[in++];
    }
  }
  if (produced < 3) return 0;
  TwoTableCrc crc;
  for (size_t i = 0; i + 2 < produced; ++i) crc.Add(out[i]);
  if (out[produced - 2] != crc.high || out[produced - 1] != crc.low) return 0;
  return static_cast<int32_t>(produced - 2);
}

}  // namespace veltrane::testing
