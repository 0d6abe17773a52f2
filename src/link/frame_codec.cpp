#include "link/frame_codec.h"

#include <algorithm>
#include <cstring>

#include "link/crc16.h"

namespace veltrane::link {
namespace {

constexpr uint64_t kEveryByte = 0x0101010101010101ULL;
constexpr uint64_t kHighBits = 0x8080808080808080ULL;

// Non-zero when some byte of `v` is zero (exact for the any-test).
constexpr uint64_t ZeroByteMask(uint64_t v) { return (v - kEveryByte) & ~v & kHighBits; }

// True when any of the eight bytes is one that must be escaped.
constexpr bool HasReservedByte(uint64_t word) {
  return (ZeroByteMask(word ^ (kEveryByte * kFrameStart)) |
          ZeroByteMask(word ^ (kEveryByte * kFrameEnd)) |
          ZeroByteMask(word ^ (kEveryByte * kFrameEscape))) != 0;
}

constexpr bool IsReserved(uint8_t b) {
  return b == kFrameStart || b == kFrameEnd || b == kFrameEscape;
}

// Writes one byte escaped at `out`; returns how many bytes it took.
size_t PutEscaped(uint8_t b, uint8_t* out) {
  if (IsReserved(b)) {
    out[0] = kFrameEscape;
    out[1] = static_cast<uint8_t>(b + 1);
    return 2;
  }
  out[0] = b;
  return 1;
}

// Escapes `in` to `out`, copying clean eight-byte runs whole. The caller provides room for
// every byte escaped. Returns the bytes written.
size_t PutEscapedRun(std::span<const uint8_t> in, uint8_t* out) {
  const uint8_t* p = in.data();
  const uint8_t* const end = p + in.size();
  uint8_t* const start = out;
  while (p < end) {
    while (end - p >= 8) {
      uint64_t word;
      std::memcpy(&word, p, sizeof word);
      if (HasReservedByte(word)) break;
      std::memcpy(out, p, sizeof word);
      out += 8;
      p += 8;
    }
    const uint8_t* const stop = p + std::min<ptrdiff_t>(end - p, 8);
    while (p < stop) out += PutEscaped(*p++, out);
  }
  return static_cast<size_t>(out - start);
}

int32_t EncodeBody(std::span<const uint8_t> header, std::span<const uint8_t> data,
                   std::span<uint8_t> out) {
  if (out.size() < EncodedFrameBound(header.size() + data.size())) return 0;
  const uint16_t crc = Crc16(data, Crc16(header));
  uint8_t* p = out.data();
  *p++ = kFrameStart;
  p += PutEscapedRun(header, p);
  p += PutEscapedRun(data, p);
  p += PutEscaped(static_cast<uint8_t>(crc >> 8), p);
  p += PutEscaped(static_cast<uint8_t>(crc), p);
  *p++ = kFrameEnd;
  return static_cast<int32_t>(p - out.data());
}

}  // namespace

int32_t EncodeFrame(std::span<const uint8_t> body, std::span<uint8_t> out) {
  return EncodeBody(body, {}, out);
}

int32_t EncodeFrameParts(std::span<const uint8_t> header, std::span<const uint8_t> data,
                         std::span<uint8_t> out) {
  return EncodeBody(header, data, out);
}

int32_t DecodeFrame(std::span<const uint8_t> frame, std::span<uint8_t, MaxFrameSize> out) {
  const size_t length = frame.size();
  if (length < 2 || frame[0] != kFrameStart || frame[length - 1] != kFrameEnd) return 0;
  const size_t end = length - 1;  // position of the closing 0xAA
  size_t in = 1;
  size_t produced = 0;
  while (in < end && produced < MaxFrameSize) {
    // Clean eight-byte runs are copied whole; a run with an escape goes byte by byte.
    if (end - in >= 8 && MaxFrameSize - produced >= 8) {
      uint64_t word;
      std::memcpy(&word, frame.data() + in, sizeof word);
      if (ZeroByteMask(word ^ (kEveryByte * kFrameEscape)) == 0) {
        std::memcpy(out.data() + produced, &word, sizeof word);
        in += 8;
        produced += 8;
        continue;
      }
    }
    const size_t stop = std::min(end, in + 8);
    while (in < stop && produced < MaxFrameSize) {
      // The escape's partner exists: at worst it is the closing 0xAA, which it then consumes.
      if (frame[in] == kFrameEscape) {
        out[produced++] = static_cast<uint8_t>(frame[in + 1] - 1);
        in += 2;
      } else {
        out[produced++] = frame[in++];
      }
    }
  }
  if (produced < 3) return 0;
  const size_t bodyLength = produced - 2;
  const uint16_t crc = Crc16(std::span<const uint8_t>(out.data(), bodyLength));
  if (out[bodyLength] != static_cast<uint8_t>(crc >> 8) ||
      out[bodyLength + 1] != static_cast<uint8_t>(crc)) {
    return 0;
  }
  return static_cast<int32_t>(bodyLength);
}

}  // namespace veltrane::link
