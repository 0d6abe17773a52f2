// SPDX-License-Identifier: MIT
// Any body the studio's page might send, and any Cookie header: read into a request or refused
// with one sentence, never a crash, never an unbounded read; an accepted request keeps its
// values in range.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "access.h"
#include "requests.h"

namespace {

using namespace veltrane::studio;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto preview = ReadPreviewRequest(text);
  if (const auto* request = std::get_if<PreviewRequest>(&preview)) {
    Check(request->preview.scale >= 1 && request->preview.scale <= kMaxPageScale);
    Check(request->preview.at.month >= 1 && request->preview.at.month <= 12);
  } else {
    Check(!std::get<std::string>(preview).empty());
  }
  const auto run = ReadRunRequest(text);
  if (const auto* request = std::get_if<RunRequest>(&run)) {
    Check(request->brightness >= 0);
    Check(request->screen.empty() != request->fleet.empty());
  } else {
    Check(!std::get<std::string>(run).empty());
  }
  // The same bytes as a Cookie header: a value found lies inside it.
  if (const auto value = CookieValue(text, kTokenCookie))
    Check(value->data() >= text.data() && value->data() + value->size() <= text.data() + size);
  Judge({true, text, text}, "token");
  return 0;
}
