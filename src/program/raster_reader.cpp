// SPDX-License-Identifier: MIT
#include "program/raster_reader.h"

#include <algorithm>

#include "format/records.h"

namespace veltrane::program {
namespace {

using namespace format;

std::string BitsText(uint16_t depthCode) {
  return std::to_string(BitsPerPixel(depthCode)) + " bit" + (depthCode == kDepthOneBit ? "" : "s") +
         " per pixel";
}

bool CheckDepth(ReadContext& context, const Stretch& raster, const Place& place,
                const RasterView& view) {
  const uint16_t expected = DepthCodeFor(context.colorMode());
  if (view.depthCode == expected) return true;
  return context.Fail(raster.At(kRasterDepthCodeAt), place,
                      "depthCode " + std::to_string(view.depthCode) + ", but colorMode " +
                          std::to_string(context.colorMode()) + " packs " + BitsText(expected) +
                          " (depthCode " + std::to_string(expected) + ")");
}

bool CheckPadding(ReadContext& context, const Stretch& raster, const Place& place,
                  const RasterView& view) {
  const uint32_t rows = RowsPerWord(view.depthCode);
  if (view.paddedHeight % rows == 0) return true;
  return context.Fail(raster.At(kRasterPaddedHeightAt), place,
                      "paddedHeight " + std::to_string(view.paddedHeight) +
                          " is not a multiple of " + std::to_string(rows) + " rows");
}

// A raster holds 12 + width x paddedHeight x bits / 8 bytes. A header-only raster (length 12)
// is accepted whatever its size says: the encoder stores no pixel words for a picture it could
// not read back or whose width is 0 or less, and still writes the picture's size.
bool CheckLength(ReadContext& context, const Stretch& raster, const Place& place,
                 const RasterView& view) {
  if (view.length == kRasterHeaderSize) return true;
  const uint64_t pixelBytes =
      uint64_t{view.width} * view.paddedHeight * BitsPerPixel(view.depthCode) / 8;
  const std::string size = "width " + std::to_string(view.width) + " x paddedHeight " +
                           std::to_string(view.paddedHeight);
  if (pixelBytes > kMaxRasterPixelBytes) {
    return context.Fail(raster.At(kRasterWidthAt), place,
                        size + " needs " + std::to_string(pixelBytes) +
                            " pixel bytes, over the limit of " +
                            std::to_string(kMaxRasterPixelBytes));
  }
  if (view.length == kRasterHeaderSize + pixelBytes) return true;
  return context.Fail(raster.At(kRasterLengthAt), place,
                      "length " + std::to_string(view.length) + ", but " + size + " at " +
                          BitsText(view.depthCode) + " needs " +
                          std::to_string(kRasterHeaderSize + pixelBytes));
}

}  // namespace

bool ReadRaster(ReadContext& context, const Stretch& room, const Place& place, RasterView& out) {
  if (room.size() < kRasterHeaderSize) {
    return context.Fail(room.offset(), place,
                        "raster header runs past the end of its record (" +
                            std::to_string(room.size()) + " bytes left)");
  }
  const uint16_t tag = room.U16(kTagAt);
  if (tag != kRasterImageTag) {
    return context.Fail(
        room.offset(), place,
        "expected a raster image (tag " + Hex(kRasterImageTag) + "), found tag " + Hex(tag));
  }
  out.offset = room.offset();
  out.width = room.U16(kRasterWidthAt);
  out.paddedHeight = room.U16(kRasterPaddedHeightAt);
  out.depthCode = room.U16(kRasterDepthCodeAt);
  out.length = room.U32(kRasterLengthAt);
  if (!CheckDepth(context, room, place, out) || !CheckPadding(context, room, place, out) ||
      !CheckLength(context, room, place, out)) {
    return false;
  }
  if (out.length > room.size()) {
    return context.Fail(room.At(kRasterLengthAt), place,
                        "length " + std::to_string(out.length) +
                            " runs past the end of its record (" + std::to_string(room.size()) +
                            " bytes left)");
  }
  out.pixelWords = room.bytes().subspan(kRasterHeaderSize, out.length - kRasterHeaderSize);
  return true;
}

bool ReadRasterList(ReadContext& context, const Stretch& list, const Place& place,
                    const ListRule& rule, RasterListView& out) {
  const uint16_t tag = list.U16(kTagAt);
  if (tag != kRasterListTag) {
    return context.Fail(
        list.offset(), place,
        "expected a raster list (tag " + Hex(kRasterListTag) + "), found tag " + Hex(tag));
  }
  out.offset = list.offset();
  out.count = list.U16(kRasterListCountAt);
  out.length = list.U32(kRasterListLengthAt);
  if (out.count != rule.count) {
    return context.Fail(list.At(kRasterListCountAt), place,
                        "raster list count " + std::to_string(out.count) + ", but " +
                            std::string(rule.owner) + " has " + std::to_string(rule.count) + " " +
                            std::string(rule.item) + "s");
  }
  if (out.length != list.size()) {
    return context.Fail(list.At(kRasterListLengthAt), place,
                        "raster list length " + std::to_string(out.length) +
                            ", but the record leaves " + std::to_string(list.size()) +
                            " bytes for it");
  }
  // Every raster takes at least its header, so the bytes present bound the list.
  out.rasters.reserve(
      std::min<size_t>(out.count, (list.size() - kRasterListHeaderSize) / kRasterHeaderSize));
  Place rasterPlace = place;
  rasterPlace.item = rule.item;
  size_t at = kRasterListHeaderSize;
  for (size_t i = 0; i < out.count; ++i) {
    if (at == list.size()) {
      return context.Fail(list.At(kRasterListCountAt), place,
                          "raster list count " + std::to_string(out.count) +
                              ", but the record ends after " + std::to_string(i) + " " +
                              std::string(rule.item) + "s");
    }
    rasterPlace.itemIndex = i;
    RasterView raster;
    if (!ReadRaster(context, list.From(at), rasterPlace, raster)) return false;
    at += raster.length;
    out.rasters.push_back(raster);
  }
  if (at == list.size()) return true;
  return context.Fail(list.At(at), place,
                      "the list's " + std::to_string(out.count) + " " + std::string(rule.item) +
                          "s end " + std::to_string(list.size() - at) +
                          " bytes before the record does");
}

}  // namespace veltrane::program
