// SPDX-License-Identifier: MIT
#include "summary.h"

#include <sstream>
#include <string_view>
#include <variant>

#include "format/raster.h"
#include "platform/text_codec.h"
#include "program/program_text.h"
#include "program_file/program_file.h"

namespace veltrane::cli {
namespace {

std::string Plural(size_t count, std::string_view noun) {
  return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

// What an area holds, in a few words, from the fields its kind lists (program::EachField): its
// pictures, text and date-time field, but not its numbers.
struct ContentInShort {
  std::string words;

  void Number(std::string_view, int64_t) {}
  void Descriptor(const std::vector<program::DescriptorPair>&) {}
  void DateTimeType(int value) {
    const std::string_view name = DateTimeFormatName(value);
    Add(name.empty() ? "empty field" : std::string(name));
  }
  // The text as a screen reads it, in the locale's code page, cut to kSummaryTextChars.
  void Text(std::span<const uint8_t> bytes) {
    std::u32string text = platform::TextEncoding().Decode(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    const bool cut = text.size() > kSummaryTextChars;
    if (cut) text.resize(kSummaryTextChars);
    for (char32_t& c : text)
      if (c < 0x20 || c == 0x7F) c = U'\uFFFD';  // one line, whatever the text holds
    Add("\"" + platform::EncodeUtf8(text) + (cut ? "...\"" : "\""));
  }
  void Raster(std::string_view, const program::RasterView& raster) {
    Add("picture " + std::to_string(raster.width) + " x " + std::to_string(raster.paddedHeight));
  }
  void List(std::string_view, std::string_view item, const program::RasterListView& list) {
    Add(Plural(list.rasters.size(), item));
  }
  void Add(const std::string& part) { words += (words.empty() ? "" : ", ") + part; }
};

std::string InShort(const program::AreaContent& content) {
  ContentInShort inShort;
  program::EachField(content, inShort);
  return inShort.words;
}

}  // namespace

ProgramSummary Summarize(const program::Program& program, const program::SourceKindNames& names) {
  ProgramSummary summary{
      program.programLength, format::BitsPerPixel(format::DepthCodeFor(program.colorMode)), {}};
  for (size_t p = 0; p < program.pages.size(); ++p) {
    const program::Page& page = program.pages[p];
    PageSummary& pageSummary = summary.pages.emplace_back(PageSummary{page.pageLength, {}});
    for (size_t a = 0; a < page.areas.size(); ++a) {
      const program::Area& area = page.areas[a];
      pageSummary.areas.push_back({std::string(program::AreaKindName(area, names, p, a)), area.rect,
                                   area.recordLength, InShort(area.content)});
    }
  }
  return summary;
}

std::string SummaryText(const ProgramSummary& summary) {
  std::ostringstream out;
  out << "program: " << Plural(summary.pages.size(), "page") << ", "
      << Plural(summary.bytes, "byte") << ", " << summary.bitsPerPixel << " bit"
      << (summary.bitsPerPixel == 1 ? "" : "s") << " per pixel\n";
  for (size_t p = 0; p < summary.pages.size(); ++p) {
    const PageSummary& page = summary.pages[p];
    out << "page " << p + 1 << ": " << Plural(page.areas.size(), "area") << ", "
        << Plural(page.bytes, "byte") << '\n';
    for (size_t a = 0; a < page.areas.size(); ++a) {
      const AreaSummary& area = page.areas[a];
      out << "  area " << a + 1 << ' ' << area.kind << ' ' << program::RectText(area.rect) << ", "
          << Plural(area.bytes, "byte") << ": " << area.content << '\n';
    }
  }
  return out.str();
}

}  // namespace veltrane::cli
