// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "format/records.h"

// What a date-time area shows. Its record carries a descriptor of up to 16 (kind, argument) byte
// pairs, zero-filled, and the glyphs the pairs refer to. There are ten types, each with a fixed
// descriptor and a fixed glyph set; type 0 is the empty field a type outside 1..10 builds.
namespace veltrane::format {

using Descriptor = std::array<uint8_t, kDescriptorSize>;

// Pair kinds. The clock fields take the digit they show as argument (0 tens, 1 units); the
// weekday takes 127; a fixed glyph and the hour-minute colon take the glyph's index.
constexpr uint8_t kShowYear = 1;
constexpr uint8_t kShowMonth = 2;
constexpr uint8_t kShowDay = 3;
constexpr uint8_t kShowWeekday = 4;
constexpr uint8_t kShowHour = 5;
constexpr uint8_t kShowMinute = 6;
constexpr uint8_t kShowSecond = 7;
constexpr uint8_t kShowGlyph = 8;
constexpr uint8_t kShowColon = 9;
constexpr uint8_t kWeekdayArgument = 127;

// Glyph sets, as GBK byte strings in the order the record lists their pictures.
// GBK: 年 C4EA, 月 D4C2, 日 C8D5, 一 D2BB, 二 B6FE, 三 C8FD, 四 CBC4, 五 CEE5, 六 C1F9,
// 星期 D0C7C6DA.
inline constexpr std::string_view kGlyphCharset = "GBK";
inline constexpr std::string_view kDateGlyphs[] = {
    "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "\xC4\xEA", "\xD4\xC2", "\xC8\xD5"};
inline constexpr std::string_view kTimeGlyphs[] = {"0", "1", "2", "3", "4", "5",
                                                   "6", "7", "8", "9", ":"};
inline constexpr std::string_view kDigitGlyphs[] = {"0", "1", "2", "3", "4",
                                                    "5", "6", "7", "8", "9"};
// Sunday first, as a weekday's number picks it; then the word "week".
inline constexpr std::string_view kWeekdayGlyphs[] = {"\xC8\xD5", "\xD2\xBB",        "\xB6\xFE",
                                                      "\xC8\xFD", "\xCB\xC4",        "\xCE\xE5",
                                                      "\xC1\xF9", "\xD0\xC7\xC6\xDA"};
// Indexes of the fixed words in the date set, of the colon in the time set and of the word
// "week" in the weekday set.
constexpr uint8_t kYearWord = 10, kMonthWord = 11, kDayWord = 12, kColon = 10, kWeekWord = 7;

// A descriptor byte that stands for a digit of the year the area was built in (the screen's clock
// lacks the century): the first such byte is the thousands, the second the hundreds.
constexpr int16_t kBuildYearDigit = -1;

struct DateTimeType {
  int32_t number;                                // 1..10, 0 for the empty field
  std::span<const std::string_view> glyphs;      // the glyph set
  std::array<int16_t, kDescriptorSize> pattern;  // the descriptor, kBuildYearDigit for a digit
};

// Every type, by number.
std::span<const DateTimeType> DateTimeTypes();

// The type with this number; the empty field (type 0) for a number outside 1..10.
const DateTimeType& DateTimeTypeFor(int32_t number);

// The type's descriptor, with the year digits taken from `year`.
Descriptor DescriptorFor(const DateTimeType& type, uint16_t year);

}  // namespace veltrane::format
