// SPDX-License-Identifier: MIT
#include "format/date_time.h"

#include <gtest/gtest.h>

#include <vector>

namespace veltrane::format {
namespace {

Descriptor DescriptorFor(int32_t type, uint16_t year) {
  return format::DescriptorFor(DateTimeTypeFor(type), year);
}

std::span<const std::string_view> GlyphTextsFor(int32_t type) {
  return DateTimeTypeFor(type).glyphs;
}

std::vector<uint8_t> Used(const Descriptor& d) {
  std::vector<uint8_t> bytes(d.begin(), d.end());
  while (!bytes.empty() && bytes.back() == 0 && bytes.size() % 2 == 0 &&
         bytes[bytes.size() - 2] == 0)
    bytes.resize(bytes.size() - 2);
  return bytes;
}

TEST(DateTimeTypes, DescriptorsOfEveryType) {
  struct Case {
    int32_t type;
    std::vector<uint8_t> bytes;
    size_t glyphs;
  };
  const Case cases[] = {
      {1, {8, 2, 8, 0, 1, 0, 1, 1, 8, 10, 2, 0, 2, 1, 8, 11, 3, 0, 3, 1, 8, 12}, 13},
      {2, {5, 0, 5, 1, 9, 10, 6, 0, 6, 1}, 11},
      {3, {5, 0, 5, 1, 8, 10, 6, 0, 6, 1, 8, 10, 7, 0, 7, 1}, 11},
      {4, {8, 2, 8, 0, 1, 0, 1, 1}, 10},
      {5, {2, 0, 2, 1}, 10},
      {6, {3, 0, 3, 1}, 10},
      {7, {5, 0, 5, 1}, 10},
      {8, {6, 0, 6, 1}, 10},
      {9, {7, 0, 7, 1}, 10},
      {10, {8, 7, 4, 127}, 8},
      {0, {}, 0},
      {11, {}, 0},
      {-3, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    const Descriptor d = DescriptorFor(c.type, 2026);
    EXPECT_EQ(Used(d), c.bytes);
    for (size_t i = c.bytes.size(); i < d.size(); ++i) EXPECT_EQ(d[i], 0) << i;
    EXPECT_EQ(GlyphTextsFor(c.type).size(), c.glyphs);
  }
}

TEST(DateTimeTypes, LeadingYearDigitsComeFromTheYear) {
  EXPECT_EQ(DescriptorFor(4, 1999)[1], 1);
  EXPECT_EQ(DescriptorFor(4, 1999)[3], 9);
  EXPECT_EQ(DescriptorFor(1, 2105)[1], 2);
  EXPECT_EQ(DescriptorFor(1, 2105)[3], 1);
}

TEST(DateTimeTypes, GlyphTextsAreDigitsThenWords) {
  for (int32_t type = 1; type <= 9; ++type) {
    const auto glyphs = GlyphTextsFor(type);
    for (size_t n = 0; n < 10; ++n)
      EXPECT_EQ(glyphs[n], std::string(1, static_cast<char>('0' + n)));
  }
  EXPECT_EQ(GlyphTextsFor(1)[10], "\xC4\xEA");
  EXPECT_EQ(GlyphTextsFor(2)[10], ":");
  EXPECT_EQ(GlyphTextsFor(10)[0], "\xC8\xD5");          // Sunday
  EXPECT_EQ(GlyphTextsFor(10)[7], "\xD0\xC7\xC6\xDA");  // the two-character word, one glyph
}

}  // namespace
}  // namespace veltrane::format
