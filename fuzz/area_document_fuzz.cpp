// SPDX-License-Identifier: MIT
// ScanAreaDocument on arbitrary bytes: it must stay inside the document (the sanitizers watch the
// exact-size copy below), show every box as a piece of the document, and show exactly the boxes
// its area structure calls for: 15 per area, then as many rows as each area's count box asks
// for, at most one per document byte.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "fixed_target/area_document.h"

namespace {

constexpr size_t FieldBoxesPerArea = 15;
// Checking that a box is a piece of the document costs a search, so only the first boxes are.
constexpr size_t PieceChecks = 512;

void Check(bool condition) {
  if (!condition) std::abort();
}

// The number of areas, following the "</Area>" then "<Area>" chain from the start.
size_t CountAreas(std::string_view document) {
  size_t areas = 0;
  for (size_t at = document.find("<Area>"); at != std::string_view::npos; ++areas) {
    const size_t close = document.find("</Area>", at);
    at = close == std::string_view::npos ? close : document.find("<Area>", close);
  }
  return areas;
}

// A count text read the plain way: white space, a sign, digits, saturating at the 32-bit limits.
int64_t ReadCount(std::string_view text) {
  size_t at = text.find_first_not_of(" \t\n\v\f\r");
  if (at == std::string_view::npos) return 0;
  int64_t sign = 1;
  if (text[at] == '+' || text[at] == '-') sign = text[at++] == '-' ? -1 : 1;
  int64_t value = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9' && value <= INT32_MAX) {
    value = value * 10 + (text[at++] - '0');
  }
  value *= sign;
  return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : value;
}

// Follows the boxes as they arrive: field boxes of an area, then its row boxes.
struct BoxChecker {
  std::string_view document;
  size_t boxes = 0;
  size_t areas = 0;
  size_t fieldBox = 0;
  int64_t rowsLeft = 0;

  void Take(std::string_view text) {
    Check(text.size() <= document.size());
    if (boxes++ < PieceChecks) Check(document.find(text) != std::string_view::npos);
    if (rowsLeft > 0) {
      --rowsLeft;
      return;
    }
    if (++fieldBox < FieldBoxesPerArea) return;
    const int64_t count = ReadCount(text);
    rowsLeft = std::clamp<int64_t>(count, 0, static_cast<int64_t>(document.size()));
    fieldBox = 0;
    ++areas;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto bytes = std::make_unique<char[]>(size);
  if (size != 0) std::memcpy(bytes.get(), data, size);
  const std::string_view document(bytes.get(), size);

  BoxChecker checker{document};
  veltrane::fixed_target::ScanAreaDocument(document,
                                           [&](std::string_view text) { checker.Take(text); });
  Check(checker.fieldBox == 0 && checker.rowsLeft == 0);
  Check(checker.areas == CountAreas(document));
  return 0;
}
