// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "program/program_tree.h"

namespace veltrane::program {

// What the source a program was built from calls each area, page by page (a program file's
// "text", "image", ...): a window record alone does not tell text from a picture. Empty for a
// program that came as a block.
using SourceKindNames = std::vector<std::vector<std::string>>;

// The tree as text, one line per record, indented by depth, each line starting with the
// record's byte offset and listing every field, count and length; areas are named as `names`
// call them where it does:
//   @0 root: rootType 1, pageCount 1, programLength 68, colorMode 1 (1 bit per pixel)
//     @12 page 1: itemCount 1, pageParam 5, pageLength 56
//       @28 area 1 string: areaParam 0, recordLength 40, rect (0, 0, 64, 16), ...
std::string DescribeProgram(const Program& program, const SourceKindNames& names = {});

// An area's kind as the text names it ("window", "string", ...), "unknown" for a tag no reader
// knows.
std::string_view AreaKindName(const Area& area);

// Area `index` of page `page`: as `names` calls it where it does, else as its record does.
std::string_view AreaKindName(const Area& area, const SourceKindNames& names, size_t page,
                              size_t index);

// A rectangle as the text writes it: "(left, top, right, bottom)".
std::string RectText(const AreaRect& rect);

}  // namespace veltrane::program
