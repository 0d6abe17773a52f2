// SPDX-License-Identifier: MIT
#include "shared/time_text.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <string_view>

namespace veltrane::tools {
namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::optional<platform::LocalTime> ParseTimeOfDay(const std::string& text,
                                                  const platform::LocalTime& today) {
  unsigned hour = 0, minute = 0, second = 0;
  char extra = 0;
  const int fields = std::sscanf(text.c_str(), "%2u:%2u:%2u%c", &hour, &minute, &second, &extra);
  if ((fields != 2 && fields != 3) || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  if (fields == 2 && text.size() != 5) return std::nullopt;
  platform::LocalTime time = today;
  time.hour = static_cast<uint16_t>(hour);
  time.minute = static_cast<uint16_t>(minute);
  time.second = static_cast<uint16_t>(second);
  return time;
}

std::optional<platform::LocalTime> ParseDateTime(const std::string& text) {
  // Digits where the pattern has them, so that sscanf sees no sign or space inside a field.
  constexpr std::string_view kPattern = "0000-00-00 00:00:00";
  if (text.size() != kPattern.size()) return std::nullopt;
  for (size_t i = 0; i < kPattern.size(); ++i) {
    if (kPattern[i] == '0' ? !IsDigit(text[i]) : text[i] != kPattern[i]) return std::nullopt;
  }
  unsigned year = 0, month = 0, day = 0;
  if (std::sscanf(text.c_str(), "%4u-%2u-%2u", &year, &month, &day) != 3) return std::nullopt;
  const std::chrono::year_month_day date{std::chrono::year(static_cast<int>(year)),
                                         std::chrono::month(month), std::chrono::day(day)};
  if (year == 0 || !date.ok()) return std::nullopt;
  platform::LocalTime start;
  start.year = static_cast<uint16_t>(year);
  start.month = static_cast<uint16_t>(month);
  start.day = static_cast<uint16_t>(day);
  start.dayOfWeek =
      static_cast<uint16_t>(std::chrono::weekday(std::chrono::sys_days(date)).c_encoding());
  return ParseTimeOfDay(text.substr(kPattern.find(' ') + 1), start);
}

std::string DateTimeText(const platform::LocalTime& time) {
  char text[48];  // room for six 16-bit fields at their widest
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return text;
}

}  // namespace veltrane::tools
