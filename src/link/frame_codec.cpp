// SPDX-License-Identifier: MIT
#include "link/frame_codec.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "link/crc16.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VELTRANE_ESCAPE_SHUFFLE 1
#endif

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
  return (b == kFrameStart) | (b == kFrameEnd) | (b == kFrameEscape);
}

// Writes one byte escaped at `out`; returns how many bytes it took. Both bytes are written
// either way, so that there is no branch to mispredict on a reserved byte: the second is
// overwritten by what follows. The caller provides room for two.
size_t PutEscaped(uint8_t b, uint8_t* out) {
  const bool reserved = IsReserved(b);
  out[0] = reserved ? kFrameEscape : b;
  out[1] = static_cast<uint8_t>(b + 1);
  return 1 + static_cast<size_t>(reserved);
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

#if VELTRANE_ESCAPE_SHUFFLE

// Sixteen bytes at a time with byte shuffles: each half of eight is spread out by a shuffle
// chosen by which of its bytes are reserved. There is no branch on the data: on random bytes one
// run of sixteen in six holds a reserved byte, at no foreseeable place, and the mispredicted
// branches of a test for clean runs cost more than spreading the clean ones too.

// How eight bytes b0..b7 spread out when the bits of `reserved` mark those to escape: `pick`
// takes, for each output byte, byte j (index j) or byte j plus one (index 8 + j) of the vector
// b0..b7, b0+1..b7+1, or zero (0x80) where `escapes` puts the escape byte. `length` bytes result.
struct Spread {
  alignas(16) std::array<uint8_t, 16> pick;
  alignas(16) std::array<uint8_t, 16> escapes;
  uint8_t length;
};

constexpr uint8_t kShuffleZero = 0x80;

constexpr std::array<Spread, 256> MakeSpreads() {
  std::array<Spread, 256> spreads{};
  for (int reserved = 0; reserved < 256; ++reserved) {
    Spread& s = spreads[reserved];
    s.pick.fill(kShuffleZero);
    size_t at = 0;
    for (uint8_t j = 0; j < 8; ++j) {
      if ((reserved >> j) & 1) {
        s.escapes[at++] = kFrameEscape;
        s.pick[at++] = static_cast<uint8_t>(8 + j);
      } else {
        s.pick[at++] = j;
      }
    }
    s.length = static_cast<uint8_t>(at);
  }
  return spreads;
}

constexpr std::array<Spread, 256> kSpreads = MakeSpreads();

// Writes the eight bytes of `bytesAndNext`'s low half escaped (16 bytes of room at `out`).
__attribute__((target("ssse3"))) uint8_t* PutSpread(__m128i bytesAndNext, unsigned reserved,
                                                    uint8_t* out) {
  const Spread& s = kSpreads[reserved];
  const __m128i pick = _mm_load_si128(reinterpret_cast<const __m128i*>(s.pick.data()));
  const __m128i escapes = _mm_load_si128(reinterpret_cast<const __m128i*>(s.escapes.data()));
  const __m128i spread = _mm_or_si128(_mm_shuffle_epi8(bytesAndNext, pick), escapes);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), spread);
  return out + s.length;
}

__attribute__((target("ssse3"))) size_t PutEscapedRunShuffled(std::span<const uint8_t> in,
                                                              uint8_t* out) {
  const uint8_t* p = in.data();
  const uint8_t* const end = p + in.size();
  uint8_t* const start = out;
  const __m128i frameStart = _mm_set1_epi8(static_cast<char>(kFrameStart));
  const __m128i frameEnd = _mm_set1_epi8(static_cast<char>(kFrameEnd));
  const __m128i frameEscape = _mm_set1_epi8(static_cast<char>(kFrameEscape));
  const __m128i one = _mm_set1_epi8(1);
  for (; end - p >= 16; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i reserved = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, frameStart), _mm_cmpeq_epi8(bytes, frameEnd)),
        _mm_cmpeq_epi8(bytes, frameEscape));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(reserved));
    const __m128i next = _mm_add_epi8(bytes, one);
    out = PutSpread(_mm_unpacklo_epi64(bytes, next), mask & 0xFF, out);
    out = PutSpread(_mm_unpackhi_epi64(bytes, next), mask >> 8, out);
  }
  while (p < end) out += PutEscaped(*p++, out);
  return static_cast<size_t>(out - start);
}

bool HasByteShuffle() {
  static const bool available = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
  return available;
}

#endif

// Escapes `in` to `out` in the fastest form the processor offers. The caller provides room for
// every byte escaped.
size_t PutEscapedBytes(std::span<const uint8_t> in, uint8_t* out) {
#if VELTRANE_ESCAPE_SHUFFLE
  if (HasByteShuffle()) return PutEscapedRunShuffled(in, out);
#endif
  return PutEscapedRun(in, out);
}

int32_t EncodeBody(std::span<const uint8_t> header, std::span<const uint8_t> data,
                   std::span<uint8_t> out) {
  if (out.size() < EncodedFrameBound(header.size() + data.size())) return 0;
  const uint16_t crc = Crc16(data, Crc16(header));
  uint8_t* p = out.data();
  *p++ = kFrameStart;
  p += PutEscapedBytes(header, p);
  p += PutEscapedBytes(data, p);
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
