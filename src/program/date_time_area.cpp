// The date-time record: a 32-byte format descriptor and the glyphs it refers to. The builder
// writes one of ten fixed descriptors (or none), each with its own glyph set; the reader names
// the one it finds and holds the glyph list to that set's size.
#include <algorithm>
#include <array>

#include "program/area_readers.h"
#include "program/raster_reader.h"
#include "program/record_layout.h"

namespace veltrane::program {
namespace {

// Stands for a digit of the host's year, written when the area was built: any value 0..9.
constexpr int16_t Y = -1;

struct DateTimeType {
  int number;           // the builder's dateTimeType, 0 for the empty field
  uint16_t glyphCount;  // the size of the type's glyph set
  std::array<int16_t, kDescriptorSize> descriptor;  // (kind, argument) pairs, then zeros
};

// Kinds: 1 year, 2 month, 3 day, 5 hour, 6 minute, 7 second (argument: digit 0 or 1),
// 4 weekday (argument 127), 8 a fixed glyph and 9 the hour-minute colon (argument: glyph index).
constexpr std::array<DateTimeType, 11> kDateTimeTypes = {{
    {0, 0, {}},
    {1, 13, {8, Y, 8, Y, 1, 0, 1, 1, 8, 10, 2, 0, 2, 1, 8, 11, 3, 0, 3, 1, 8, 12}},
    {2, 11, {5, 0, 5, 1, 9, 10, 6, 0, 6, 1}},
    {3, 11, {5, 0, 5, 1, 8, 10, 6, 0, 6, 1, 8, 10, 7, 0, 7, 1}},
    {4, 10, {8, Y, 8, Y, 1, 0, 1, 1}},
    {5, 10, {2, 0, 2, 1}},
    {6, 10, {3, 0, 3, 1}},
    {7, 10, {5, 0, 5, 1}},
    {8, 10, {6, 0, 6, 1}},
    {9, 10, {7, 0, 7, 1}},
    {10, 8, {8, 7, 4, 127}},
}};

// How many leading descriptor bytes agree with the type's descriptor.
size_t AgreeingBytes(const DateTimeType& type, std::span<const uint8_t> descriptor) {
  for (size_t i = 0; i < kDescriptorSize; ++i) {
    const int16_t expected = type.descriptor[i];
    const bool agrees = expected == Y ? descriptor[i] <= 9 : descriptor[i] == expected;
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
  for (const DateTimeType& type : kDateTimeTypes) {
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
  const ListRule rule{"glyph", type->glyphCount, owner};
  return ReadRasterList(context, record.From(kDateTimeListAt), place, rule, out.glyphs);
}

}  // namespace veltrane::program
