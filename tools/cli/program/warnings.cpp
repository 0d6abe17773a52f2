// SPDX-License-Identifier: MIT
#include "warnings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <variant>

#include "builder/text_area.h"
#include "platform/font.h"
#include "platform/text_codec.h"
#include "program/program_text.h"

namespace veltrane::cli {
namespace {

std::string AreaName(size_t page, size_t area) {
  return "page " + std::to_string(page + 1) + " area " + std::to_string(area + 1);
}

// A rectangle whose right or bottom side lies before its left or top side, or on it.
const char* RectFault(const program::AreaRect& r) {
  if (r.right < r.left || r.bottom < r.top) return "an inverted";
  if (r.right == r.left || r.bottom == r.top) return "an empty";
  return nullptr;
}

std::string Pixels(int32_t count, const char* direction) {
  return std::to_string(count) + " pixel" + (count == 1 ? "" : "s") + " " + direction;
}

void CheckSpill(const program::Program& program, const render::Spill& spill, Warnings& warnings) {
  const program::Area& area = program.pages[spill.page].areas[spill.area];
  if (RectFault(area.rect) != nullptr) return;  // said once, as a bad rectangle
  // A screen draws strings in its own font and size; the preview's stand-in says nothing of them.
  if (std::holds_alternative<program::StringArea>(area.content)) return;
  std::string reach;
  if (spill.right > 0) reach = Pixels(spill.right, "wider");
  if (spill.bottom > 0) reach += (reach.empty() ? "" : " and ") + Pixels(spill.bottom, "taller");
  warnings.Add(AreaName(spill.page, spill.area) + " (" + std::string(program::AreaKindName(area)) +
               ") draws " + reach + " than its rectangle " + program::RectText(area.rect) +
               ", and the screen cuts what lies " + "outside");
}

bool Overlap(const program::AreaRect& a, const program::AreaRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Pairs of a page's areas whose rectangles share pixels, found by sweeping from the left: an
// area is compared only with those still open where it starts. Stops once one more than
// kMaxOverlapWarnings is found, however many there are.
void CheckOverlaps(const program::Page& page, size_t p, Warnings& warnings) {
  std::vector<size_t> byLeft;
  for (size_t a = 0; a < page.areas.size(); ++a)
    if (RectFault(page.areas[a].rect) == nullptr) byLeft.push_back(a);
  std::stable_sort(byLeft.begin(), byLeft.end(), [&](size_t a, size_t b) {
    return page.areas[a].rect.left < page.areas[b].rect.left;
  });
  std::vector<std::pair<size_t, size_t>> pairs;
  std::vector<size_t> open;
  for (const size_t a : byLeft) {
    const program::AreaRect& rect = page.areas[a].rect;
    std::erase_if(open, [&](size_t b) { return page.areas[b].rect.right <= rect.left; });
    for (const size_t b : open) {
      if (!Overlap(rect, page.areas[b].rect)) continue;
      pairs.emplace_back(std::min(a, b), std::max(a, b));
      if (pairs.size() > kMaxOverlapWarnings) break;
    }
    if (pairs.size() > kMaxOverlapWarnings) break;
    open.push_back(a);
  }
  std::sort(pairs.begin(), pairs.end());
  for (size_t i = 0; i < std::min(pairs.size(), kMaxOverlapWarnings); ++i)
    warnings.Add("page " + std::to_string(p + 1) + " areas " + std::to_string(pairs[i].first + 1) +
                 " and " + std::to_string(pairs[i].second + 1) +
                 " overlap, so the screen draws one over the other");
  if (pairs.size() > kMaxOverlapWarnings)
    warnings.Add("page " + std::to_string(p + 1) + " has more overlapping areas than these");
}

// Family names as fontconfig compares them: case and blanks do not count.
std::string FoldedFamily(const std::string& name) {
  std::string folded;
  for (const char c : name)
    if (c != ' ') folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

void CheckFace(const Font& font, size_t page, size_t area, Warnings& warnings) {
  const platform::TextEncoding encoding;  // as the program builder reads the file's texts
  const platform::FontRequest request =
      builder::FontRequestFor(font.face.c_str(), font.pointSize, encoding);
  const std::string family = platform::ResolvedFamily(request);
  if (family.empty() || FoldedFamily(family) == FoldedFamily(request.faceName)) return;
  warnings.Add(AreaName(page, area) + " asks for the face \"" + request.faceName +
               "\", which is not installed, and is drawn in \"" + family + "\" instead");
}

}  // namespace

bool Warnings::Report(bool strict) const {
  for (const std::string& sentence : sentences_)
    std::fprintf(stderr, "veltrane: warning: %s\n", sentence.c_str());
  return strict && !sentences_.empty();
}

void CheckProgramTree(const program::Program& program, std::span<const render::Spill> spills,
                      Warnings& warnings) {
  if (program.pages.empty()) warnings.Add("the program has no pages, so the screen shows nothing");
  for (size_t p = 0; p < program.pages.size(); ++p) {
    const program::Page& page = program.pages[p];
    if (page.areas.empty())
      warnings.Add("page " + std::to_string(p + 1) + " has no areas, so it shows nothing");
    for (size_t a = 0; a < page.areas.size(); ++a) {
      const program::Area& area = page.areas[a];
      if (const char* fault = RectFault(area.rect))
        warnings.Add(AreaName(p, a) + " (" + std::string(program::AreaKindName(area)) + ") has " +
                     fault + " rectangle " + program::RectText(area.rect) +
                     ", so it shows nothing");
    }
    CheckOverlaps(page, p, warnings);
  }
  for (const render::Spill& spill : spills) CheckSpill(program, spill, warnings);
}

void CheckProgram(const program::Program& program, std::span<const uint8_t> block,
                  const platform::LocalTime& time, Warnings& warnings) {
  std::vector<render::Spill> spills;
  render::RenderProgram(program, block, time, &spills);
  CheckProgramTree(program, spills, warnings);
}

void CheckFaces(const ProgramFile& file, Warnings& warnings) {
  for (size_t p = 0; p < file.pages.size(); ++p)
    for (size_t a = 0; a < file.pages[p].areas.size(); ++a) {
      const auto& content = file.pages[p].areas[a].content;
      if (const auto* text = std::get_if<TextArea>(&content))
        CheckFace(text->font, p, a, warnings);
      else if (const auto* dateTime = std::get_if<DateTimeArea>(&content))
        CheckFace(dateTime->font, p, a, warnings);
    }
}

void CheckScreenEdges(const ProgramFile& file, Warnings& warnings) {
  if (!file.screen) return;
  const ScreenSize& screen = *file.screen;
  const std::string size = std::to_string(screen.width) + " x " + std::to_string(screen.height);
  for (size_t p = 0; p < file.pages.size(); ++p)
    for (size_t a = 0; a < file.pages[p].areas.size(); ++a) {
      const Rect& rect = file.pages[p].areas[a].rect;
      std::string reach;
      if (rect.right > screen.width) reach = Pixels(rect.right - screen.width, "to the right");
      if (rect.bottom > screen.height)
        reach += (reach.empty() ? "" : " and ") + Pixels(rect.bottom - screen.height, "below");
      if (!reach.empty())
        warnings.Add(AreaName(p, a) + " reaches " + reach + " past the " + size +
                     " screen, which shows only what lies on it");
    }
}

void CheckProgramFile(const ProgramFile& file, Warnings& warnings) {
  CheckFaces(file, warnings);
  CheckScreenEdges(file, warnings);
}

void CheckBrightness(int32_t value, Warnings& warnings) {
  if (value >= kUsualBrightnessMin && value <= kUsualBrightnessMax) return;
  warnings.Add("brightness " + std::to_string(value) + " is outside " +
               std::to_string(kUsualBrightnessMin) + ".." + std::to_string(kUsualBrightnessMax) +
               ", the levels screens usually take, so a screen may ignore or misread it");
}

bool BrightnessStops(const std::optional<int32_t>& value, bool strict) {
  Warnings warnings;
  if (value) CheckBrightness(*value, warnings);
  return warnings.Report(strict);
}

}  // namespace veltrane::cli
