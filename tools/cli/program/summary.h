// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "program/program_text.h"
#include "program/program_tree.h"

namespace veltrane::cli {

// A program in short, for `inspect --summary`: what each page and area is, where, and how large.
struct AreaSummary {
  std::string kind;  // as the program file names it, else as the record tree does
  program::AreaRect rect;
  uint32_t bytes = 0;
  std::string content;  // the text of a string, a picture's size, a date-time's format, ...
};

struct PageSummary {
  uint32_t bytes = 0;
  std::vector<AreaSummary> areas;
};

struct ProgramSummary {
  uint32_t bytes = 0;
  uint32_t bitsPerPixel = 0;
  std::vector<PageSummary> pages;
};

// Strings longer than this many characters are cut, with "..." after them.
constexpr size_t kSummaryTextChars = 40;

// Areas are named as `names` calls them where it does (a program file's kinds).
ProgramSummary Summarize(const program::Program& program,
                         const program::SourceKindNames& names = {});

// One line for the program, then one per page and one per area:
//   program: 1 page, 47012 bytes, 2 bits per pixel
//   page 1: 6 areas, 47000 bytes
//     area 1 window (0, 0, 96, 16), 408 bytes: picture 96 x 16
std::string SummaryText(const ProgramSummary& summary);

}  // namespace veltrane::cli
