// SPDX-License-Identifier: MIT
#include "program/program_text.h"

#include <cstdio>
#include <sstream>
#include <string_view>

#include "format/records.h"
#include "program/area_readers.h"

namespace veltrane::program {
namespace {

using namespace format;

class TreeText {
 public:
  explicit TreeText(const SourceKindNames& names) : names_(names) {}
  void Root(const Program& program);
  void PageLine(const Page& page, size_t index);
  void AreaLine(const Area& area, size_t page, size_t index);
  std::string Take() { return out_.str(); }

 private:
  std::ostream& Line(size_t depth, size_t offset);
  void Raster(size_t depth, const RasterView& raster, std::string_view name);
  void List(size_t depth, const RasterListView& list, std::string_view item);
  void Content(const WindowArea& window);
  void Content(const StringArea& text);
  void Content(const DateTimeArea& dateTime);
  void Content(const ClockArea& clock);

  const SourceKindNames& names_;
  std::ostringstream out_;
};

// Printable ASCII as it is; quotes, backslashes and every other byte as escapes.
std::string QuotedText(std::span<const uint8_t> text) {
  std::string quoted = "\"";
  for (const uint8_t byte : text) {
    if (byte == '"' || byte == '\\') {
      quoted += '\\';
      quoted += static_cast<char>(byte);
    } else if (byte >= 0x20 && byte < 0x7F) {
      quoted += static_cast<char>(byte);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      quoted += escape;
    }
  }
  return quoted + "\"";
}

std::ostream& TreeText::Line(size_t depth, size_t offset) {
  if (out_.tellp() > 0) out_ << '\n';
  out_ << std::string(2 * depth, ' ') << '@' << offset << ' ';
  return out_;
}

void TreeText::Root(const Program& program) {
  const uint16_t depthCode = DepthCodeFor(program.colorMode);
  Line(0, 0) << "root: rootType " << program.rootType << ", pageCount " << program.pageCount
             << ", programLength " << program.programLength << ", colorMode " << program.colorMode
             << " (" << BitsPerPixel(depthCode) << " bit" << (depthCode == kDepthOneBit ? "" : "s")
             << " per pixel)";
  for (size_t p = 0; p < program.pages.size(); ++p) {
    PageLine(program.pages[p], p);
  }
}

void TreeText::PageLine(const Page& page, size_t index) {
  Line(1, page.offset) << "page " << index + 1 << ": itemCount " << page.itemCount << ", pageParam "
                       << page.pageParam << ", pageLength " << page.pageLength;
  for (size_t a = 0; a < page.areas.size(); ++a) AreaLine(page.areas[a], index, a);
}

void TreeText::AreaLine(const Area& area, size_t page, size_t index) {
  Line(2, area.offset) << "area " << index + 1 << ' ' << AreaKindName(area, names_, page, index)
                       << ": areaParam " << area.areaParam << ", recordLength " << area.recordLength
                       << ", rect " << RectText(area.rect);
  std::visit([this](const auto& content) { Content(content); }, area.content);
}

void TreeText::Raster(size_t depth, const RasterView& raster, std::string_view name) {
  Line(depth, raster.offset) << name << ": width " << raster.width << ", paddedHeight "
                             << raster.paddedHeight << ", depthCode " << raster.depthCode
                             << ", length " << raster.length;
}

void TreeText::List(size_t depth, const RasterListView& list, std::string_view item) {
  Line(depth, list.offset) << item << " list: count " << list.count << ", length " << list.length;
  for (size_t i = 0; i < list.rasters.size(); ++i) {
    Raster(depth + 1, list.rasters[i], std::string(item) + " " + std::to_string(i));
  }
}

void TreeText::Content(const WindowArea& window) {
  out_ << ", paramA " << window.paramA << ", paramB " << window.paramB;
  Raster(3, window.image, "raster");
}

void TreeText::Content(const StringArea& text) {
  out_ << ", paramA " << text.paramA << ", paramB " << text.paramB << ", stringParamA "
       << text.stringParamA << ", stringParamB " << text.stringParamB << ", text "
       << QuotedText(text.text) << " (" << text.text.size() << " bytes)";
}

void TreeText::Content(const DateTimeArea& dateTime) {
  out_ << ", dateTimeType " << dateTime.dateTimeType << ", descriptor [";
  for (size_t i = 0; i < dateTime.descriptor.size(); ++i) {
    out_ << (i == 0 ? "" : ", ") << int{dateTime.descriptor[i].kind} << ' '
         << int{dateTime.descriptor[i].argument};
  }
  out_ << ']';
  List(3, dateTime.glyphs, "glyph");
}

void TreeText::Content(const ClockArea& clock) {
  out_ << ", imageCount " << clock.imageCount;
  List(3, clock.pictures, "picture");
}

}  // namespace

std::string_view AreaKindName(const Area& area) {
  const AreaKind* kind = FindAreaKind(area.tag);
  return kind != nullptr ? kind->name : "unknown";
}

std::string_view AreaKindName(const Area& area, const SourceKindNames& names, size_t page,
                              size_t index) {
  if (page < names.size() && index < names[page].size()) return names[page][index];
  return AreaKindName(area);
}

std::string RectText(const AreaRect& rect) {
  return "(" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ", " +
         std::to_string(rect.right) + ", " + std::to_string(rect.bottom) + ")";
}

std::string DescribeProgram(const Program& program, const SourceKindNames& names) {
  TreeText text(names);
  text.Root(program);
  return text.Take() + '\n';
}

}  // namespace veltrane::program
