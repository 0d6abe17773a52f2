// SPDX-License-Identifier: MIT
// The names the public header gives its numbers mean what the library does with them.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "api/dev_param.h"
#include "format/date_time.h"
#include "format/raster.h"
#include "veltrane/veltrane.h"

namespace veltrane {
namespace {

TEST(HeaderNames, DeviceTypesPickTheirTransport) {
  EXPECT_EQ(api::TransportOf(VELTRANE_DEV_SERIAL), link::Transport::Serial);
  EXPECT_EQ(api::TransportOf(VELTRANE_DEV_UDP), link::Transport::Udp);
}

TEST(HeaderNames, SpeedIndexesNameTheirSpeeds) {
  const std::pair<int32_t, int32_t> speeds[] = {
      {VELTRANE_SPEED_9600, 9600},   {VELTRANE_SPEED_19200, 19200},   {VELTRANE_SPEED_38400, 38400},
      {VELTRANE_SPEED_57600, 57600}, {VELTRANE_SPEED_115200, 115200},
  };
  for (const auto& [index, baud] : speeds) EXPECT_EQ(api::LineSpeedOf(index), baud);
}

TEST(HeaderNames, ColourModesNameTheirDepth) {
  EXPECT_EQ(format::DepthCodeFor(VELTRANE_COLOR_ONE_BIT), format::kDepthOneBit);
  EXPECT_EQ(format::DepthCodeFor(VELTRANE_COLOR_TWO_BITS), format::kDepthTwoBits);
}

TEST(HeaderNames, DateTimeKindsNameWhatTheyShow) {
  // Each kind by the first field its descriptor shows, after any fixed glyphs of the year.
  const std::pair<int32_t, uint8_t> kinds[] = {
      {VELTRANE_DATETIME_DATE, format::kShowYear},
      {VELTRANE_DATETIME_TIME, format::kShowHour},
      {VELTRANE_DATETIME_TIME_SECONDS, format::kShowHour},
      {VELTRANE_DATETIME_YEAR, format::kShowYear},
      {VELTRANE_DATETIME_MONTH, format::kShowMonth},
      {VELTRANE_DATETIME_DAY, format::kShowDay},
      {VELTRANE_DATETIME_HOUR, format::kShowHour},
      {VELTRANE_DATETIME_MINUTE, format::kShowMinute},
      {VELTRANE_DATETIME_SECOND, format::kShowSecond},
      {VELTRANE_DATETIME_WEEKDAY, format::kShowWeekday},
  };
  for (const auto& [kind, shows] : kinds) {
    SCOPED_TRACE(kind);
    const format::DateTimeType& type = format::DateTimeTypeFor(kind);
    EXPECT_EQ(type.number, kind);
    size_t at = 0;
    while (at < type.pattern.size() && type.pattern[at] == format::kShowGlyph) at += 2;
    ASSERT_LT(at, type.pattern.size());
    EXPECT_EQ(type.pattern[at], shows);
  }
  // Seconds are what tells the two times apart.
  const auto& seconds = format::DateTimeTypeFor(VELTRANE_DATETIME_TIME_SECONDS).pattern;
  EXPECT_NE(std::find(seconds.begin(), seconds.end(), format::kShowSecond), seconds.end());
  const auto& minutes = format::DateTimeTypeFor(VELTRANE_DATETIME_TIME).pattern;
  EXPECT_EQ(std::find(minutes.begin(), minutes.end(), format::kShowSecond), minutes.end());
}

}  // namespace
}  // namespace veltrane
