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

std::string Plural(size_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// What each area kind holds, in a few words; a kind without its line here does not compile.
struct ContentInShort {
  std::string operator()(const program::WindowArea& window) const {
    return "picture " + std::to_string(window.image.width) + " x " +
           std::to_string(window.image.paddedHeight);
  }
  // The text as a screen reads it, in the locale's code page, cut to kSummaryTextChars.
  std::string operator()(const program::StringArea& string) const {
    const std::string_view bytes(reinterpret_cast<const char*>(string.text.data()),
                                 string.text.size());
    std::u32string text = platform::TextEncoding().Decode(bytes);
    const bool cut = text.size() > kSummaryTextChars;
    if (cut) text.resize(kSummaryTextChars);
    for (char32_t& c : text)
      if (c < 0x20 || c == 0x7F) c = U'\uFFFD';  // one line, whatever the text holds
    return "\"" + platform::EncodeUtf8(text) + (cut ? "...\"" : "\"");
  }
  std::string operator()(const program::DateTimeArea& dateTime) const {
    const std::string_view name = DateTimeFormatName(dateTime.dateTimeType);
    return (name.empty() ? "empty field" : std::string(name)) + ", " +
           Plural(dateTime.glyphs.rasters.size(), "glyph");
  }
  std::string operator()(const program::ClockArea& clock) const {
    return Plural(clock.pictures.rasters.size(), "picture");
  }
};

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
                                   area.recordLength, std::visit(ContentInShort{}, area.content)});
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
