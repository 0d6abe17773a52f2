#include "builder/date_time_format.h"

#include <initializer_list>

namespace veltrane::builder {
namespace {

// GBK: 年 C4EA, 月 D4C2, 日 C8D5, 一 D2BB, 二 B6FE, 三 C8FD, 四 CBC4, 五 CEE5, 六 C1F9, 星期
// D0C7C6DA.
constexpr std::string_view kDateGlyphs[] = {"0", "1", "2", "3",        "4",        "5",       "6",
                                            "7", "8", "9", "\xC4\xEA", "\xD4\xC2", "\xC8\xD5"};
constexpr std::string_view kTimeGlyphs[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", ":"};
constexpr std::string_view kDigitGlyphs[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
constexpr std::string_view kWeekdayGlyphs[] = {"\xC8\xD5", "\xD2\xBB",        "\xB6\xFE",
                                               "\xC8\xFD", "\xCB\xC4",        "\xCE\xE5",
                                               "\xC1\xF9", "\xD0\xC7\xC6\xDA"};

// Glyph indexes of the fixed words in the date set, and of the colon in the time set.
constexpr uint8_t kYearWord = 10, kMonthWord = 11, kDayWord = 12, kColon = 10, kWeekWord = 7;

bool KnownType(int32_t type) { return type >= 1 && type <= 10; }

FormatDescriptor Pairs(std::initializer_list<uint8_t> bytes) {
  FormatDescriptor d{};
  size_t i = 0;
  for (uint8_t b : bytes) d[i++] = b;
  return d;
}

}  // namespace

std::span<const std::string_view> GlyphTextsFor(int32_t dateTimeType) {
  if (!KnownType(dateTimeType)) return {};
  switch (dateTimeType) {
    case 1:
      return kDateGlyphs;
    case 2:
    case 3:
      return kTimeGlyphs;
    case 10:
      return kWeekdayGlyphs;
    default:
      return kDigitGlyphs;
  }
}

FormatDescriptor DescriptorFor(int32_t dateTimeType, uint16_t year) {
  const auto y1 = static_cast<uint8_t>(year / 1000);
  const auto y2 = static_cast<uint8_t>(year / 100 % 10);
  switch (dateTimeType) {
    case 1:
      return Pairs({kShowGlyph, y1, kShowGlyph, y2,         kShowYear,  0,
                    kShowYear,  1,  kShowGlyph, kYearWord,  kShowMonth, 0,
                    kShowMonth, 1,  kShowGlyph, kMonthWord, kShowDay,   0,
                    kShowDay,   1,  kShowGlyph, kDayWord});
    case 2:
      return Pairs(
          {kShowHour, 0, kShowHour, 1, kShowColon, kColon, kShowMinute, 0, kShowMinute, 1});
    case 3:
      return Pairs({kShowHour, 0, kShowHour, 1, kShowGlyph, kColon, kShowMinute, 0, kShowMinute, 1,
                    kShowGlyph, kColon, kShowSecond, 0, kShowSecond, 1});
    case 4:
      return Pairs({kShowGlyph, y1, kShowGlyph, y2, kShowYear, 0, kShowYear, 1});
    case 5:
      return Pairs({kShowMonth, 0, kShowMonth, 1});
    case 6:
      return Pairs({kShowDay, 0, kShowDay, 1});
    case 7:
      return Pairs({kShowHour, 0, kShowHour, 1});
    case 8:
      return Pairs({kShowMinute, 0, kShowMinute, 1});
    case 9:
      return Pairs({kShowSecond, 0, kShowSecond, 1});
    case 10:
      return Pairs({kShowGlyph, kWeekWord, kShowWeekday, 127});
    default:
      return {};
  }
}

}  // namespace veltrane::builder
