// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/result.h"

namespace veltrane::cli {

// A program as a program file describes it, before anything is drawn or built.
struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Values every area carries for the screen, stored unchanged.
struct AreaParams {
  int32_t areaParam = 0;
  int32_t paramA = 0;
  int32_t paramB = 0;
};

struct Font {
  std::string face = "DejaVu Sans";
  int32_t pointSize = 12;
  uint32_t color = 0x0000FF;  // platform colour 0x00BBGGRR: red
};

struct TextArea {
  std::string text;
  Font font;
};
struct StringArea {
  std::string text;
  int32_t stringParamA = 0;
  int32_t stringParamB = 0;
};
// How a picture meets its area: at its own size from the area's top-left (what lies outside the
// area is still sent, and the screen cuts it), cut to the area, or scaled to fit inside the area
// with its proportions kept, centred on black.
enum class PictureFit { AsIs, Crop, Scale };

struct ImageArea {
  std::filesystem::path file;  // a PNG, relative paths resolved against the program file's folder
  PictureFit fit = PictureFit::AsIs;
};
struct DateTimeArea {
  int32_t dateTimeType = 1;
  Font font;
};
struct ClockArea {
  uint32_t hourColor = 0x0000FF, minuteColor = 0x00FF00, secondColor = 0x00FFFF;
  uint32_t markColor = 0x00FF00, ringColor = 0x0000FF, faceColor = 0x000000;
};

struct Area {
  Rect rect;
  AreaParams params;
  std::variant<TextArea, StringArea, ImageArea, DateTimeArea, ClockArea> content;
};

struct Page {
  int32_t pageParam = 0;
  std::vector<Area> areas;
};

// The screen a program is made for, in pixels. A program does not tell a screen its size, so
// this changes no byte of it: pictures of its pages are this size, and areas reaching past it
// are warned about.
struct ScreenSize {
  int32_t width = 0;
  int32_t height = 0;
};

struct ProgramFile {
  int32_t rootType = 1;
  int32_t colorMode = 2;
  std::optional<ScreenSize> screen;
  std::vector<Page> pages;
};

// Program files longer than this are not read: a hand-written program is a few kilobytes, and
// one of this size already describes far more areas than a program of 2 MiB can hold.
constexpr size_t kMaxProgramFileBytes = 1024 * 1024;
// Objects and arrays nested deeper than this are not read: a program file needs six levels, and
// every level costs the reader time and memory.
constexpr size_t kMaxProgramFileDepth = 64;

// Reads a program file's text. `baseFolder` resolves relative image paths. A file that cannot be
// read is refused with one sentence, placed as compilers place theirs: "ORIGIN:3:7: unexpected
// ','; expected a value" for a fault in the JSON itself, "ORIGIN: pages[0].rect: ..." for the
// program it holds; without `origin`, the same without "ORIGIN:" (`origin` names the text,
// usually its file).
Result<ProgramFile> ParseProgramFile(std::string_view json, const std::filesystem::path& baseFolder,
                                     std::string_view origin = {});

// True when input of unknown kind (standard input) is to be read as a program file rather than a
// program block: its first byte other than JSON white space is `{`, as a program file's is.
bool LooksLikeProgramFile(std::string_view bytes);

// The kind a program file names an area by: "text", "string", "image", "datetime" or "clock".
std::string_view AreaKindName(const Area& area);

// The name a program file gives date-time type 1..10 ("date", "time", ...); empty for others.
std::string_view DateTimeFormatName(int32_t dateTimeType);

}  // namespace veltrane::cli
