// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Lines drawn in place on a terminal: a line that wraps can no longer be redrawn, so each is cut
// to the terminal's width.
namespace veltrane::cli {

// The bytes a line drawn on `out` may take: one less than its terminal's columns (the last
// column makes some terminals wrap), 79 when the terminal does not say.
size_t LineWidth(std::FILE* out);

// `text` cut to at most `width` bytes, never inside a UTF-8 sequence.
std::string Cut(std::string text, size_t width);

// `text` cut to at most `width` bytes with "..." in place of what was cut.
std::string Shorten(const std::string& text, size_t width);

// "[#####.....]": `width` cells between the brackets, filled as `done` is of `total` (none of
// a total of 0).
std::string Bar(uint32_t done, uint32_t total, size_t width);

}  // namespace veltrane::cli
