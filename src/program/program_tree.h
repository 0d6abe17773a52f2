// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// A flat program block read back into its tree. Every field keeps the value found in the block;
// `offset`s are byte offsets from the start of the block. Spans view the block itself, so the
// block must outlive the tree.
namespace veltrane::program {

// One packed picture: pixel words column after column, each little-endian, top pixel in bit 31.
struct RasterView {
  size_t offset = 0;
  uint16_t width = 0;
  uint16_t paddedHeight = 0;
  uint16_t depthCode = 0;               // 1: one bit per pixel, 4: two bits per pixel
  uint32_t length = 0;                  // header included
  std::span<const uint8_t> pixelWords;  // length - 12 bytes
};

// A run of rasters that fills the rest of its area record.
struct RasterListView {
  size_t offset = 0;
  uint16_t count = 0;
  uint32_t length = 0;  // header included
  std::vector<RasterView> rasters;
};

// One description per area kind: the kind's alternative below lists its fields once, in
// EachField, and every place that shows or checks an area (the text and JSON of a tree, the
// command's summary, the reader's fuzz target) walks them through a sink of its own. A sink has
// one call per kind of field, each given the field's name as the text and JSON print it:
//   Number(name, value)         a count or parameter
//   DateTimeType(value)         which date-time field a date-time area shows
//   Descriptor(pairs)           a date-time area's descriptor
//   Text(bytes)                 a string area's text
//   Raster(name, raster)        one picture
//   List(name, item, list)      a run of pictures, each called `item`
// Rasters and lists come after the kind's other fields. A kind added to AreaContent without its
// EachField fails to compile in each of those places; its name, tag and reader are its row in
// program/area_readers.cpp.

struct AreaRect {
  uint16_t left = 0;
  uint16_t top = 0;
  uint16_t right = 0;
  uint16_t bottom = 0;
};

// A caller-drawn bitmap or rendered text (tag 0x31).
struct WindowArea {
  uint16_t paramA = 0;
  uint16_t paramB = 0;
  RasterView image;

  template <class Sink>
  void EachField(Sink& sink) const {
    sink.Number("paramA", paramA);
    sink.Number("paramB", paramB);
    sink.Raster("raster", image);
  }
};

// A text for the screen to render (tag 0x33).
struct StringArea {
  uint16_t paramA = 0;
  uint16_t paramB = 0;
  uint32_t stringParamB = 0;
  uint32_t stringParamA = 0;
  std::span<const uint8_t> text;  // without its terminating zero

  template <class Sink>
  void EachField(Sink& sink) const {
    sink.Number("paramA", paramA);
    sink.Number("paramB", paramB);
    sink.Number("stringParamA", stringParamA);
    sink.Number("stringParamB", stringParamB);
    sink.Text(text);
  }
};

// One position of a date-time field: which clock field or fixed glyph the screen shows there.
struct DescriptorPair {
  uint8_t kind = 0;
  uint8_t argument = 0;
};

// A live date, time or weekday field (tag 0x32).
struct DateTimeArea {
  int dateTimeType = 0;  // 1..10, or 0 for the empty field (all-zero descriptor, no glyphs)
  std::vector<DescriptorPair> descriptor;  // the pairs before the zero fill
  RasterListView glyphs;

  template <class Sink>
  void EachField(Sink& sink) const {
    sink.DateTimeType(dateTimeType);
    sink.Descriptor(descriptor);
    sink.List("glyphs", "glyph", glyphs);
  }
};

// An analog clock: the face and every hand position as square pictures (tag 0x60).
struct ClockArea {
  uint32_t imageCount = 0;
  RasterListView pictures;

  template <class Sink>
  void EachField(Sink& sink) const {
    sink.Number("imageCount", imageCount);
    sink.List("pictures", "picture", pictures);
  }
};

using AreaContent = std::variant<WindowArea, DateTimeArea, StringArea, ClockArea>;

// Walks the fields of whichever kind `content` holds through `sink`.
template <class Sink>
void EachField(const AreaContent& content, Sink& sink) {
  std::visit([&sink](const auto& kind) { kind.EachField(sink); }, content);
}

struct Area {
  size_t offset = 0;
  uint16_t tag = 0;
  uint16_t areaParam = 0;
  uint32_t recordLength = 0;
  AreaRect rect;
  AreaContent content;
};

struct Page {
  size_t offset = 0;
  uint16_t itemCount = 0;
  uint32_t pageParam = 0;
  uint32_t pageLength = 0;
  std::vector<Area> areas;
};

struct Program {
  uint16_t rootType = 0;
  uint16_t pageCount = 0;
  uint32_t programLength = 0;
  uint16_t colorMode = 0;
  std::vector<Page> pages;
};

// The first thing wrong with a block: where, and what ("page 2 area 1: recordLength 80 runs
// past the end of the program (72 bytes left)").
struct Defect {
  size_t offset = 0;
  std::string message;
};

// Either the checked tree or the first defect found.
class ReadResult {
 public:
  explicit ReadResult(Program program) : value_(std::move(program)) {}
  explicit ReadResult(Defect defect) : value_(std::move(defect)) {}

  bool ok() const { return std::holds_alternative<Program>(value_); }
  // Each throws std::bad_variant_access when asked for the alternative it does not hold.
  const Program& program() const { return std::get<Program>(value_); }
  const Defect& defect() const { return std::get<Defect>(value_); }

 private:
  std::variant<Program, Defect> value_;
};

}  // namespace veltrane::program
