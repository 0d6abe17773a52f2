// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// The pictures of an analog clock, in the order its record lists them: the face, then the hour
// hand at every 12 minutes of 12 hours, the minute hand at every minute and the second hand at
// every second. The screen lays the face down and the three hands over it.
namespace veltrane::format {

// The hour hand moves 6 degrees every 12 minutes; it has a picture for the first four of those
// steps of every hour, and the fifth is the next hour's first.
constexpr uint32_t kMinutesPerHourStep = 12;
constexpr uint32_t kHourPicturesPerHour = 4;
constexpr uint32_t kHourPositions = 12 * kHourPicturesPerHour;
constexpr uint32_t kMinutePositions = 60;
constexpr uint32_t kSecondPositions = 60;

constexpr size_t kFacePicture = 0;
constexpr size_t kFirstHourPicture = kFacePicture + 1;
constexpr size_t kFirstMinutePicture = kFirstHourPicture + kHourPositions;
constexpr size_t kFirstSecondPicture = kFirstMinutePicture + kMinutePositions;
constexpr uint32_t kClockPictureCount = kFirstSecondPicture + kSecondPositions;

// The picture of each hand at a time of day. From 11:48 the hour hand is at 12 o'clock.
constexpr size_t HourPicture(uint32_t hour, uint32_t minute) {
  const uint32_t step = kHourPicturesPerHour * (hour % 12) + minute / kMinutesPerHourStep;
  return kFirstHourPicture + step % kHourPositions;
}
constexpr size_t MinutePicture(uint32_t minute) { return kFirstMinutePicture + minute % 60; }
constexpr size_t SecondPicture(uint32_t second) { return kFirstSecondPicture + second % 60; }

}  // namespace veltrane::format
