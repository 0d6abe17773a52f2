// SPDX-License-Identifier: MIT
#include "json_output.h"

#include <cstdio>
#include <string_view>
#include <variant>

#include "platform/text_codec.h"
#include "program/program_text.h"

namespace veltrane::cli {
namespace {

using nlohmann::json;

json RectJson(const program::AreaRect& r) {
  return json::array({r.left, r.top, r.right, r.bottom});
}

json RasterJson(const program::RasterView& raster) {
  return {{"offset", raster.offset},
          {"width", raster.width},
          {"paddedHeight", raster.paddedHeight},
          {"depthCode", raster.depthCode},
          {"length", raster.length}};
}

json RasterListJson(const program::RasterListView& list) {
  json rasters = json::array();
  for (const program::RasterView& raster : list.rasters) rasters.push_back(RasterJson(raster));
  return {{"offset", list.offset},
          {"count", list.count},
          {"length", list.length},
          {"rasters", std::move(rasters)}};
}

// Adds an area kind's own fields, as the kind lists them (program::EachField).
struct ContentFields {
  json& area;

  void Number(std::string_view name, int64_t value) { area[std::string(name)] = value; }
  void DateTimeType(int value) { area["dateTimeType"] = value; }
  void Descriptor(const std::vector<program::DescriptorPair>& pairs) {
    json descriptor = json::array();
    for (const program::DescriptorPair& pair : pairs)
      descriptor.push_back({pair.kind, pair.argument});
    area["descriptor"] = std::move(descriptor);
  }
  void Text(std::span<const uint8_t> text) {
    const std::string_view bytes(reinterpret_cast<const char*>(text.data()), text.size());
    area["text"] = platform::EncodeUtf8(platform::TextEncoding().Decode(bytes));
    area["textBytes"] = text.size();
  }
  void Raster(std::string_view name, const program::RasterView& raster) {
    area[std::string(name)] = RasterJson(raster);
  }
  void List(std::string_view name, std::string_view, const program::RasterListView& list) {
    area[std::string(name)] = RasterListJson(list);
  }
};

json AreaJson(const program::Area& area, std::string_view kind) {
  json out = {{"offset", area.offset},
              {"kind", std::string(kind)},
              {"tag", area.tag},
              {"areaParam", area.areaParam},
              {"recordLength", area.recordLength},
              {"rect", RectJson(area.rect)}};
  ContentFields fields{out};
  program::EachField(area.content, fields);
  return out;
}

}  // namespace

void PrintJson(const json& document) {
  const std::string text = document.dump(-1, ' ', false, json::error_handler_t::replace);
  std::printf("%s\n", text.c_str());
}

json ProgramJson(const program::Program& program, const program::SourceKindNames& names) {
  json pages = json::array();
  for (size_t p = 0; p < program.pages.size(); ++p) {
    const program::Page& page = program.pages[p];
    json areas = json::array();
    for (size_t a = 0; a < page.areas.size(); ++a)
      areas.push_back(AreaJson(page.areas[a], program::AreaKindName(page.areas[a], names, p, a)));
    pages.push_back({{"offset", page.offset},
                     {"itemCount", page.itemCount},
                     {"pageParam", page.pageParam},
                     {"pageLength", page.pageLength},
                     {"areas", std::move(areas)}});
  }
  return {{"rootType", program.rootType},
          {"pageCount", program.pageCount},
          {"programLength", program.programLength},
          {"colorMode", program.colorMode},
          {"pages", std::move(pages)}};
}

json SummaryJson(const ProgramSummary& summary) {
  json pages = json::array();
  for (const PageSummary& page : summary.pages) {
    json areas = json::array();
    for (const AreaSummary& area : page.areas)
      areas.push_back({{"kind", area.kind},
                       {"rect", RectJson(area.rect)},
                       {"bytes", area.bytes},
                       {"content", area.content}});
    pages.push_back({{"bytes", page.bytes}, {"areas", std::move(areas)}});
  }
  return {{"bytes", summary.bytes},
          {"bitsPerPixel", summary.bitsPerPixel},
          {"pages", std::move(pages)}};
}

}  // namespace veltrane::cli
