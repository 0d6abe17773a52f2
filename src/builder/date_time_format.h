#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace veltrane::builder {

// What a date-time area shows, position by position: pairs of (kind, argument) bytes.
constexpr size_t kDescriptorBytes = 32;
using FormatDescriptor = std::array<uint8_t, kDescriptorBytes>;

// Position kinds.
constexpr uint8_t kShowYear = 1;
constexpr uint8_t kShowMonth = 2;
constexpr uint8_t kShowDay = 3;
constexpr uint8_t kShowWeekday = 4;
constexpr uint8_t kShowHour = 5;
constexpr uint8_t kShowMinute = 6;
constexpr uint8_t kShowSecond = 7;
constexpr uint8_t kShowGlyph = 8;
constexpr uint8_t kShowColon = 9;

// The glyph texts a date-time type needs, as GBK byte strings, in the order the record lists
// their pictures. Empty for a type outside 1..10.
std::span<const std::string_view> GlyphTextsFor(int32_t dateTimeType);

// The descriptor of a type; `year` supplies the two leading digits the screen's clock lacks.
// All zero for a type outside 1..10.
FormatDescriptor DescriptorFor(int32_t dateTimeType, uint16_t year);

}  // namespace veltrane::builder
