// SPDX-License-Identifier: MIT
// The date-time record: a 32-byte format descriptor and the glyphs it refers to. The builder
// writes one of ten fixed descriptors (or none), each with its own glyph set; the reader names
// the one it finds and holds the glyph list to that set's size.
#include <algorithm>
#include <array>

#include "format/date_time.h"
#include "program/area_readers.h"
#include "program/raster_reader.h"

namespace veltrane::program {
namespace {

using namespace format;

// How many leading descriptor bytes agree with the type's descriptor.
size_t AgreeingBytes(const DateTimeType& type, std::span<const uint8_t> descriptor) {
  for (size_t i = 0; i < kDescriptorSize; ++i) {
    const int16_t expected = type.pattern[i];
    const bool agrees =
        expected == kBuildYearDigit ? descriptor[i] <= 9 : descriptor[i] == expected;
    if (!agrees) return i;
  }
  return kDescriptorSize;
}

// Finds the type whose descriptor this is; otherwise fails at the first byte that no type's
// descriptor allows after the longest agreeing start.
const DateTimeType* MatchDescriptor(ReadContext& context, const Stretch& record,
                                    const Place& place) {
  const std::span<const uint8_t> descriptor =
      record.bytes().subspan(kDescriptorAt, kDescriptorSize);
  size_t longest = 0;
  for (const DateTimeType& type : DateTimeTypes()) {
    const size_t agreeing = AgreeingBytes(type, descriptor);
    if (agreeing == kDescriptorSize) return &type;
    longest = std::max(longest, agreeing);
  }
  context.Fail(record.At(kDescriptorAt + longest), place,
               "descriptor byte " + std::to_string(longest) + " is " + Hex(descriptor[longest]) +
                   ", which fits no date-time type");
  return nullptr;
}

std::vector<DescriptorPair> DescriptorPairs(const Stretch& record) {
  std::vector<DescriptorPair> pairs;
  for (size_t at = kDescriptorAt; at < kDescriptorAt + kDescriptorSize; at += 2) {
    if (record.U8(at) == 0) break;
    pairs.push_back({record.U8(at), record.U8(at + 1)});
  }
  return pairs;
}

}  // namespace

bool ReadDateTimeArea(ReadContext& context, const Stretch& record, const Place& place,
                      DateTimeArea& out) {
  if (!CheckReserved(context, record, kDateTimeReservedAt, kDateTimeReservedSize, place)) {
    return false;
  }
  const DateTimeType* type = MatchDescriptor(context, record, place);
  if (type == nullptr) return false;
  out.dateTimeType = type->number;
  out.descriptor = DescriptorPairs(record);
  const std::string owner = type->number == 0
                                ? std::string("an empty date-time field")
                                : "a date-time field of type " + std::to_string(type->number);
  const ListRule rule{"glyph", static_cast<uint16_t>(type->glyphs.size()), owner};
  return ReadRasterList(context, record.From(kDateTimeListAt), place, rule, out.glyphs);
}

}  // namespace veltrane::program
