// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>

#include "program/program_tree.h"
#include "summary.h"

// The command's results as JSON, for scripts: one document per result, on one line of stdout.
namespace veltrane::cli {

// Prints `document` and a line break on stdout. Text that is not UTF-8 is written with U+FFFD in
// its place, so the output always parses.
void PrintJson(const nlohmann::json& document);

// The record tree with every field `inspect` prints, under the same names; rectangles as
// [left, top, right, bottom], a string's text decoded as a screen reads it; areas named as
// `names` calls them where it does.
nlohmann::json ProgramJson(const program::Program& program,
                           const program::SourceKindNames& names = {});

// `inspect --summary`: {"bytes", "bitsPerPixel", "pages": [{"bytes", "areas": [{"kind", "rect",
// "bytes", "content"}]}]}.
nlohmann::json SummaryJson(const ProgramSummary& summary);

}  // namespace veltrane::cli
