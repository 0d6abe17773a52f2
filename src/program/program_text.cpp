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

  // An area's own fields: numbers, the text and the descriptor on its line, then a line for
  // each raster and list.
  struct ContentFields {
    TreeText& tree;
    void Number(std::string_view name, int64_t value) { tree.out_ << ", " << name << ' ' << value; }
    void DateTimeType(int value) { Number("dateTimeType", value); }
    void Descriptor(const std::vector<DescriptorPair>& pairs);
    void Text(std::span<const uint8_t> text);
    void Raster(std::string_view name, const RasterView& raster) { tree.Raster(3, raster, name); }
    void List(std::string_view, std::string_view item, const RasterListView& list) {
      tree.List(3, list, item);
    }
  };

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
  ContentFields fields{*this};
  EachField(area.content, fields);
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

void TreeText::ContentFields::Descriptor(const std::vector<DescriptorPair>& pairs) {
  tree.out_ << ", descriptor [";
  for (size_t i = 0; i < pairs.size(); ++i)
    tree.out_ << (i == 0 ? "" : ", ") << int{pairs[i].kind} << ' ' << int{pairs[i].argument};
  tree.out_ << ']';
}

void TreeText::ContentFields::Text(std::span<const uint8_t> text) {
  tree.out_ << ", text " << QuotedText(text) << " (" << text.size() << " bytes)";
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
