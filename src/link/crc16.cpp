// SPDX-License-Identifier: MIT
#include "link/crc16.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VELTRANE_CRC_CARRYLESS 1
#endif

namespace veltrane::link {
namespace {

constexpr uint16_t kPolynomial = 0xA001;

constexpr uint16_t CrcOfByte(uint8_t index) {
  uint16_t crc = index;
  for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ kPolynomial : crc >> 1;
  return crc;
}

// The Modbus tables split the byte-step CRC: the first table holds the low byte that the new
// "low" register takes, the second the byte that becomes "high".
constexpr std::array<uint8_t, 256> MakeFirstTable() {
  std::array<uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(CrcOfByte(static_cast<uint8_t>(i)));
  return table;
}

constexpr std::array<uint8_t, 256> MakeSecondTable() {
  std::array<uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i)
    table[i] = static_cast<uint8_t>(CrcOfByte(static_cast<uint8_t>(i)) >> 8);
  return table;
}

constexpr int kSliceBytes = 16;
using SliceTables = std::array<std::array<uint16_t, 256>, kSliceBytes>;

// slices[k][b]: the effect of byte b followed by k zero bytes.
constexpr SliceTables MakeSliceTables() {
  SliceTables slices{};
  for (int i = 0; i < 256; ++i) slices[0][i] = CrcOfByte(static_cast<uint8_t>(i));
  for (int k = 1; k < kSliceBytes; ++k)
    for (int i = 0; i < 256; ++i) {
      const uint16_t previous = slices[k - 1][i];
      slices[k][i] = static_cast<uint16_t>((previous >> 8) ^ slices[0][previous & 0xFF]);
    }
  return slices;
}

constexpr SliceTables kSlices = MakeSliceTables();

static_assert(MakeFirstTable()[1] == 0xC1 && MakeFirstTable()[2] == 0x81 &&
              MakeFirstTable()[3] == 0x40);
static_assert(MakeSecondTable()[1] == 0xC0 && MakeSecondTable()[2] == 0xC1 &&
              MakeSecondTable()[3] == 0x01);

uint64_t LoadLittleEndian64(const uint8_t* p) {
  if constexpr (std::endian::native == std::endian::little) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
  } else {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
  }
}

// The eight bytes of `word`, the first of them `zerosAfter` + 7 bytes before the end of the step.
uint16_t FoldWord(uint64_t word, int zerosAfter) {
  const auto& t = kSlices;
  const int k = zerosAfter;
  return static_cast<uint16_t>(t[k + 7][word & 0xFF] ^ t[k + 6][(word >> 8) & 0xFF] ^
                               t[k + 5][(word >> 16) & 0xFF] ^ t[k + 4][(word >> 24) & 0xFF] ^
                               t[k + 3][(word >> 32) & 0xFF] ^ t[k + 2][(word >> 40) & 0xFF] ^
                               t[k + 1][(word >> 48) & 0xFF] ^ t[k][word >> 56]);
}

#if VELTRANE_CRC_CARRYLESS

// Long runs are folded with carry-less multiplication, sixteen bytes per multiplication pair,
// down to one sixteen-byte block that leaves the same remainder as the whole run; the tables take
// that block and the tail. In the bit-reflected order of this CRC a block loaded little-endian
// holds the coefficient of x^(127 - i) in bit i.

// P = x^16 + x^15 + x^2 + 1 in the usual order, bit d holding the coefficient of x^d.
constexpr uint32_t Unreflected(uint16_t reflected) {
  uint32_t v = 0x10000;
  for (int d = 0; d < 16; ++d)
    if ((reflected >> d) & 1) v |= uint32_t{1} << (15 - d);
  return v;
}
constexpr uint32_t kPolynomialNormal = Unreflected(kPolynomial);
static_assert(kPolynomialNormal == 0x18005);

// x^n mod P, bit d holding the coefficient of x^d.
constexpr uint16_t XPowerModP(int n) {
  uint32_t r = 1;
  for (int i = 0; i < n; ++i) {
    r <<= 1;
    if (r & 0x10000) r ^= kPolynomialNormal;
  }
  return static_cast<uint16_t>(r);
}

// A remainder in the reflected order of a 64-bit multiplicand: bit j holds the coefficient of
// x^(63 - j).
constexpr uint64_t Reflected64(uint16_t remainder) {
  uint64_t v = 0;
  for (int d = 0; d < 16; ++d)
    if ((remainder >> d) & 1) v |= uint64_t{1} << (63 - d);
  return v;
}

// The multipliers that carry a block `bits` further down the message. A block is H x^64 + L; the
// carry-less product of reflected operands comes out one degree short, so H is multiplied by
// x^(bits + 63) mod P and L by x^(bits - 1) mod P, each product then standing exactly where
// H x^(bits + 64) and L x^bits reduce to.
struct FoldMultipliers {
  uint64_t high;
  uint64_t low;
};

constexpr FoldMultipliers MultipliersFor(int bits) {
  return {Reflected64(XPowerModP(bits + 63)), Reflected64(XPowerModP(bits - 1))};
}

constexpr int kLanes = 4;
constexpr size_t kLaneBytes = 16;
constexpr size_t kStrideBytes = kLanes * kLaneBytes;
constexpr FoldMultipliers kAcrossStride = MultipliersFor(8 * kStrideBytes);
constexpr FoldMultipliers kAcrossBlock = MultipliersFor(8 * kLaneBytes);

__attribute__((target("pclmul"))) inline __m128i Load(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// `block` carried down by the multipliers' distance, added to `next`.
__attribute__((target("pclmul"))) inline __m128i Fold(__m128i block, __m128i multipliers,
                                                      __m128i next) {
  const __m128i high = _mm_clmulepi64_si128(block, multipliers, 0x00);
  const __m128i low = _mm_clmulepi64_si128(block, multipliers, 0x11);
  return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

__attribute__((target("pclmul"))) inline __m128i Multipliers(FoldMultipliers m) {
  return _mm_set_epi64x(static_cast<int64_t>(m.low), static_cast<int64_t>(m.high));
}

// Folds the whole sixteen-byte blocks of `bytes` (at least kStrideBytes) into one block, `crc`
// already added to its first two bytes as the register's start. Four lanes fold independently,
// so that the multiplications overlap, and are then folded into one. `bytes` is left at the tail.
__attribute__((target("pclmul"))) __m128i FoldBlocks(std::span<const uint8_t>& bytes,
                                                     uint16_t crc) {
  const uint8_t* p = bytes.data();
  size_t remaining = bytes.size();
  __m128i lanes[kLanes];
  for (int i = 0; i < kLanes; ++i) lanes[i] = Load(p + i * kLaneBytes);
  lanes[0] = _mm_xor_si128(lanes[0], _mm_cvtsi32_si128(crc));
  p += kStrideBytes;
  remaining -= kStrideBytes;
  const __m128i acrossStride = Multipliers(kAcrossStride);
  for (; remaining >= kStrideBytes; p += kStrideBytes, remaining -= kStrideBytes)
    for (int i = 0; i < kLanes; ++i)
      lanes[i] = Fold(lanes[i], acrossStride, Load(p + i * kLaneBytes));
  const __m128i acrossBlock = Multipliers(kAcrossBlock);
  __m128i folded = lanes[0];
  for (int i = 1; i < kLanes; ++i) folded = Fold(folded, acrossBlock, lanes[i]);
  for (; remaining >= kLaneBytes; p += kLaneBytes, remaining -= kLaneBytes)
    folded = Fold(folded, acrossBlock, Load(p));
  bytes = bytes.last(remaining);
  return folded;
}

bool HasCarrylessMultiply() {
  static const bool available = (__builtin_cpu_init(), __builtin_cpu_supports("pclmul"));
  return available;
}

#endif

}  // namespace

const std::array<uint8_t, 256> kCrcTableFirst = MakeFirstTable();
const std::array<uint8_t, 256> kCrcTableSecond = MakeSecondTable();

uint16_t CrcTwoTable(std::span<const uint8_t> bytes, uint16_t crc) {
  uint8_t low = static_cast<uint8_t>(crc);
  uint8_t high = static_cast<uint8_t>(crc >> 8);
  for (uint8_t b : bytes) {
    const uint8_t index = b ^ low;
    low = kCrcTableFirst[index] ^ high;
    high = kCrcTableSecond[index];
  }
  return static_cast<uint16_t>((high << 8) | low);
}

uint16_t Crc16(std::span<const uint8_t> bytes, uint16_t crc) {
#if VELTRANE_CRC_CARRYLESS
  if (bytes.size() >= kStrideBytes && HasCarrylessMultiply()) {
    // The folded block leaves the run's remainder: its CRC from a zero register is the run's.
    const __m128i folded = FoldBlocks(bytes, crc);
    uint8_t block[kLaneBytes];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(block), folded);
    crc = FoldWord(LoadLittleEndian64(block), 8) ^ FoldWord(LoadLittleEndian64(block + 8), 0);
  }
#endif
  const uint8_t* p = bytes.data();
  size_t remaining = bytes.size();
  while (remaining >= 16) {
    const uint64_t first = LoadLittleEndian64(p) ^ crc;
    const uint64_t second = LoadLittleEndian64(p + 8);
    crc = FoldWord(first, 8) ^ FoldWord(second, 0);
    p += 16;
    remaining -= 16;
  }
  if (remaining >= 8) {
    crc = FoldWord(LoadLittleEndian64(p) ^ crc, 0);
    p += 8;
    remaining -= 8;
  }
  while (remaining-- > 0) crc = static_cast<uint16_t>((crc >> 8) ^ kSlices[0][(crc ^ *p++) & 0xFF]);
  return crc;
}

}  // namespace veltrane::link
