// SPDX-License-Identifier: MIT
#include "program/area_readers.h"

#include <algorithm>
#include <array>

#include "format/clock.h"
#include "format/records.h"
#include "program/raster_reader.h"

namespace veltrane::program {
namespace {

using namespace format;

std::string RecordLengthText(const Stretch& record) {
  return "recordLength " + std::to_string(record.size());
}

bool ReadWindowArea(ReadContext& context, const Stretch& record, const Place& place,
                    WindowArea& out) {
  out.paramA = record.U16(kWindowParamAAt);
  out.paramB = record.U16(kWindowParamBAt);
  if (!CheckReserved(context, record, kWindowReservedAt, kAreaReservedSize, place)) return false;
  Place rasterPlace = place;
  rasterPlace.item = "raster";
  if (!ReadRaster(context, record.From(kWindowRasterAt), rasterPlace, out.image)) return false;
  if (kWindowRasterAt + out.image.length == record.size()) return true;
  return context.Fail(record.At(kRecordLengthAt), place,
                      RecordLengthText(record) + ", but its raster ends at byte " +
                          std::to_string(kWindowRasterAt + out.image.length));
}

// The text is zero-terminated and padded with zeros to a multiple of 4 bytes; the record ends
// with the padding.
bool CheckStringText(ReadContext& context, const Stretch& record, const Place& place,
                     StringArea& out) {
  const std::span<const uint8_t> room = record.bytes().subspan(kStringTextAt);
  const auto terminator = std::find(room.begin(), room.end(), uint8_t{0});
  if (terminator == room.end()) {
    return context.Fail(record.At(kStringTextAt), place,
                        "text has no terminating zero inside the record");
  }
  const size_t textBytes = static_cast<size_t>(terminator - room.begin());
  if (textBytes > kMaxStringTextBytes) {
    return context.Fail(record.At(kStringTextAt), place,
                        "text of " + std::to_string(textBytes) + " bytes is longer than " +
                            std::to_string(kMaxStringTextBytes));
  }
  if (PaddedTextSize(textBytes) != room.size()) {
    return context.Fail(record.At(kRecordLengthAt), place,
                        RecordLengthText(record) + ", but a text of " + std::to_string(textBytes) +
                            " bytes needs " +
                            std::to_string(kStringTextAt + PaddedTextSize(textBytes)));
  }
  for (size_t i = textBytes + 1; i < room.size(); ++i) {
    if (room[i] != 0) {
      return context.Fail(record.At(kStringTextAt + i), place,
                          "fill byte after the text is " + Hex(room[i]) + ", not 0");
    }
  }
  out.text = room.first(textBytes);
  return true;
}

bool ReadStringArea(ReadContext& context, const Stretch& record, const Place& place,
                    StringArea& out) {
  if ((record.size() - kStringTextAt) % kStringTextAlign != 0) {
    return context.Fail(record.At(kRecordLengthAt), place,
                        RecordLengthText(record) + " leaves " +
                            std::to_string(record.size() - kStringTextAt) +
                            " text bytes, not a multiple of 4");
  }
  out.paramA = record.U16(kStringParamAAt);
  out.paramB = record.U16(kStringParamBAt);
  out.stringParamB = record.U32(kStringStringParamBAt);
  out.stringParamA = record.U32(kStringStringParamAAt);
  return CheckReserved(context, record, kStringReservedAt, kAreaReservedSize, place) &&
         CheckStringText(context, record, place, out);
}

// All pictures of a clock share one size s x s, so each has the face's width and the face is
// as high (before padding) as it is wide. The padded height is compared in 16 bits, as the field
// holds it.
bool CheckClockPictures(ReadContext& context, const Place& place, const RasterListView& list) {
  const RasterView& face = list.rasters.front();
  const uint32_t rows = RowsPerWord(face.depthCode);
  const uint16_t squareHeight = static_cast<uint16_t>((face.width + rows - 1) / rows * rows);
  Place picturePlace = place;
  picturePlace.item = "picture";
  if (face.paddedHeight != squareHeight) {
    picturePlace.itemIndex = 0;
    return context.Fail(face.offset + kRasterPaddedHeightAt, picturePlace,
                        "paddedHeight " + std::to_string(face.paddedHeight) +
                            ", but a square picture " + std::to_string(face.width) +
                            " wide pads to " + std::to_string(squareHeight));
  }
  for (size_t i = 1; i < list.rasters.size(); ++i) {
    const RasterView& picture = list.rasters[i];
    if (picture.width == face.width && picture.paddedHeight == face.paddedHeight) continue;
    picturePlace.itemIndex = i;
    return context.Fail(picture.offset + kRasterWidthAt, picturePlace,
                        "size " + std::to_string(picture.width) + " x " +
                            std::to_string(picture.paddedHeight) + ", but the face is " +
                            std::to_string(face.width) + " x " + std::to_string(face.paddedHeight));
  }
  return true;
}

bool ReadClockArea(ReadContext& context, const Stretch& record, const Place& place,
                   ClockArea& out) {
  out.imageCount = record.U32(kClockImageCountAt);
  if (out.imageCount != kClockPictureCount) {
    return context.Fail(record.At(kClockImageCountAt), place,
                        "imageCount " + std::to_string(out.imageCount) + ", but a clock has " +
                            std::to_string(kClockPictureCount) + " pictures");
  }
  if (!CheckReserved(context, record, kClockReservedAt, kAreaReservedSize, place)) return false;
  const ListRule rule{"picture", kClockPictureCount, "a clock"};
  return ReadRasterList(context, record.From(kClockListAt), place, rule, out.pictures) &&
         CheckClockPictures(context, place, out.pictures);
}

// Reads into the alternative of `out` that holds content of this type.
template <class Content, bool (*Read)(ReadContext&, const Stretch&, const Place&, Content&)>
bool ReadAs(ReadContext& context, const Stretch& record, const Place& place, AreaContent& out) {
  return Read(context, record, place, out.emplace<Content>());
}

constexpr std::array<AreaKind, std::variant_size_v<AreaContent>> kAreaKinds = {{
    {kWindowTag, "window", kWindowRasterAt + kRasterHeaderSize, ReadAs<WindowArea, ReadWindowArea>},
    {kDateTimeTag, "date-time", kDateTimeListAt + kRasterListHeaderSize,
     ReadAs<DateTimeArea, ReadDateTimeArea>},
    {kStringTag, "string", kStringTextAt + kStringTextAlign, ReadAs<StringArea, ReadStringArea>},
    {kClockTag, "clock", kClockListAt + kRasterListHeaderSize, ReadAs<ClockArea, ReadClockArea>},
}};

}  // namespace

const AreaKind* FindAreaKind(uint16_t tag) {
  const auto kind = std::find_if(kAreaKinds.begin(), kAreaKinds.end(),
                                 [tag](const AreaKind& k) { return k.tag == tag; });
  return kind == kAreaKinds.end() ? nullptr : &*kind;
}

}  // namespace veltrane::program
