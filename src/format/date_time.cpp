// SPDX-License-Identifier: MIT
#include "format/date_time.h"

namespace veltrane::format {
namespace {

constexpr int16_t Y = kBuildYearDigit;

constexpr std::array<DateTimeType, 11> kTypes = {{
    {0, {}, {}},
    {1, kDateGlyphs, {kShowGlyph, Y, kShowGlyph, Y,          kShowYear,  0,
                      kShowYear,  1, kShowGlyph, kYearWord,  kShowMonth, 0,
                      kShowMonth, 1, kShowGlyph, kMonthWord, kShowDay,   0,
                      kShowDay,   1, kShowGlyph, kDayWord}},
    {2,
     kTimeGlyphs,
     {kShowHour, 0, kShowHour, 1, kShowColon, kColon, kShowMinute, 0, kShowMinute, 1}},
    {3,
     kTimeGlyphs,
     {kShowHour, 0, kShowHour, 1, kShowGlyph, kColon, kShowMinute, 0, kShowMinute, 1, kShowGlyph,
      kColon, kShowSecond, 0, kShowSecond, 1}},
    {4, kDigitGlyphs, {kShowGlyph, Y, kShowGlyph, Y, kShowYear, 0, kShowYear, 1}},
    {5, kDigitGlyphs, {kShowMonth, 0, kShowMonth, 1}},
    {6, kDigitGlyphs, {kShowDay, 0, kShowDay, 1}},
    {7, kDigitGlyphs, {kShowHour, 0, kShowHour, 1}},
    {8, kDigitGlyphs, {kShowMinute, 0, kShowMinute, 1}},
    {9, kDigitGlyphs, {kShowSecond, 0, kShowSecond, 1}},
    {10, kWeekdayGlyphs, {kShowGlyph, kWeekWord, kShowWeekday, kWeekdayArgument}},
}};

}  // namespace

std::span<const DateTimeType> DateTimeTypes() { return kTypes; }

const DateTimeType& DateTimeTypeFor(int32_t number) {
  if (number < 1 || number >= static_cast<int32_t>(kTypes.size())) return kTypes[0];
  return kTypes[static_cast<size_t>(number)];
}

Descriptor DescriptorFor(const DateTimeType& type, uint16_t year) {
  const uint8_t yearDigits[] = {static_cast<uint8_t>(year / 1000),
                                static_cast<uint8_t>(year / 100 % 10)};
  size_t yearDigitsUsed = 0;
  Descriptor descriptor{};
  for (size_t i = 0; i < kDescriptorSize; ++i) {
    const int16_t byte = type.pattern[i];
    descriptor[i] =
        byte == kBuildYearDigit ? yearDigits[yearDigitsUsed++ % 2] : static_cast<uint8_t>(byte);
  }
  return descriptor;
}

}  // namespace veltrane::format
