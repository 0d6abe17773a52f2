// SPDX-License-Identifier: MIT
#include "link/crc16.h"

#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

namespace veltrane::link {
namespace {

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(Crc16, TablesStartAsTheModbusTables) {
  EXPECT_EQ(kCrcTableFirst[0], 0x00);
  EXPECT_EQ(kCrcTableFirst[1], 0xC1);
  EXPECT_EQ(kCrcTableFirst[2], 0x81);
  EXPECT_EQ(kCrcTableFirst[3], 0x40);
  EXPECT_EQ(kCrcTableSecond[0], 0x00);
  EXPECT_EQ(kCrcTableSecond[1], 0xC0);
  EXPECT_EQ(kCrcTableSecond[2], 0xC1);
  EXPECT_EQ(kCrcTableSecond[3], 0x01);
}

TEST(Crc16, KnownValues) {
  struct Case {
    std::string_view text;
    uint16_t crc;
  };
  const Case cases[] = {{"123456789", 0x4B37}, {"abc", 0x5749}, {"", 0xFFFF}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CrcTwoTable(Bytes(c.text)), c.crc);
    EXPECT_EQ(Crc16(Bytes(c.text)), c.crc);
  }
}

TEST(Crc16, SlicedFormMatchesTwoTableFormBitForBit) {
  std::mt19937 random(20261209);
  std::vector<uint8_t> buffer(2100);
  for (int round = 0; round < 2000; ++round) {
    const size_t length = random() % buffer.size();
    const size_t offset = random() % 8;  // unaligned starts too
    for (auto& b : buffer) b = static_cast<uint8_t>(random());
    const auto bytes =
        std::span<const uint8_t>(buffer).subspan(offset, length - std::min(length, offset));
    const uint16_t seed = static_cast<uint16_t>(random());
    ASSERT_EQ(Crc16(bytes, seed), CrcTwoTable(bytes, seed)) << "length " << bytes.size();
  }
}

// Long runs are folded sixteen bytes at a time in four lanes and finished byte by byte: the
// lengths around each of those steps, from any starting register.
TEST(Crc16, RunsAroundTheFoldingStepsMatchTheTwoTableForm) {
  const size_t lengths[] = {15, 16, 17, 31,  32,  33,  47,  48,  63,  64,  65,  79,  80,  81,
                            95, 96, 97, 127, 128, 129, 191, 192, 193, 511, 512, 513, 522, 1046};
  std::mt19937 random(4);
  std::vector<uint8_t> buffer(1046 + 3);
  for (auto& b : buffer) b = static_cast<uint8_t>(random());
  for (const size_t length : lengths) {
    for (size_t offset = 0; offset < 3; ++offset) {
      const auto bytes = std::span<const uint8_t>(buffer).subspan(offset, length);
      for (const uint16_t seed : {uint16_t{0}, kCrcInitial, uint16_t{0x1234}}) {
        ASSERT_EQ(Crc16(bytes, seed), CrcTwoTable(bytes, seed))
            << "length " << length << " offset " << offset << " seed " << seed;
      }
    }
  }
}

TEST(Crc16, ContinuingOverTwoPartsEqualsTheWhole) {
  const auto whole = Bytes("header-bytes then the data that follows them");
  for (size_t split = 0; split <= whole.size(); ++split) {
    EXPECT_EQ(Crc16(whole.subspan(split), Crc16(whole.first(split))), Crc16(whole));
  }
}

}  // namespace
}  // namespace veltrane::link
