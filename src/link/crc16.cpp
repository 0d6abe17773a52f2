#include "link/crc16.h"

#include <bit>
#include <cstring>

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

// The eight bytes of `word`, the first of them `zerosAfter` + 7 bytes before the end of the step.
uint16_t FoldWord(uint64_t word, int zerosAfter) {
  const auto& t = kSlices;
  const int k = zerosAfter;
  return static_cast<uint16_t>(t[k + 7][word & 0xFF] ^ t[k + 6][(word >> 8) & 0xFF] ^
                               t[k + 5][(word >> 16) & 0xFF] ^ t[k + 4][(word >> 24) & 0xFF] ^
                               t[k + 3][(word >> 32) & 0xFF] ^ t[k + 2][(word >> 40) & 0xFF] ^
                               t[k + 1][(word >> 48) & 0xFF] ^ t[k][word >> 56]);
}

uint16_t Crc16(std::span<const uint8_t> bytes, uint16_t crc) {
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
