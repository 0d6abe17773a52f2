// SPDX-License-Identifier: MIT
#include "terminal_line.h"

#include <algorithm>

#include "platform/tools/terminal.h"

namespace veltrane::cli {

size_t LineWidth(std::FILE* out) {
  constexpr int kUsualColumns = 80;
  const int columns = platform::TerminalColumns(out);
  return static_cast<size_t>((columns > 1 ? columns : kUsualColumns) - 1);
}

std::string Cut(std::string text, size_t width) {
  if (text.size() <= width) return text;
  size_t end = width;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

std::string Shorten(const std::string& text, size_t width) {
  constexpr size_t kMarkBytes = 3;
  if (text.size() <= width) return text;
  if (width < kMarkBytes) return Cut(text, width);
  return Cut(text, width - kMarkBytes) + "...";
}

std::string Bar(uint32_t done, uint32_t total, size_t width) {
  const size_t filled =
      total == 0 ? 0 : static_cast<size_t>(uint64_t{width} * std::min(done, total) / total);
  return "[" + std::string(filled, '#') + std::string(width - filled, '.') + "]";
}

}  // namespace veltrane::cli
