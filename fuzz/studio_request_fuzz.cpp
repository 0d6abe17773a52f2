// SPDX-License-Identifier: MIT
// Any body the studio's page might send, and any Cookie header: read into a request or refused
// with one sentence, never a crash, never an unbounded read; an accepted request keeps its
// values in range.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "access.h"
#include "common/status_text.h"
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
  if (preview) {
    Check(preview->preview.scale >= 1 && preview->preview.scale <= kMaxPageScale);
    Check(preview->preview.at.month >= 1 && preview->preview.at.month <= 12);
  } else {
    Check(!veltrane::StatusText(preview.error()).empty());
  }
  const auto run = ReadRunRequest(text);
  if (run) {
    Check(run->brightness >= 0);
    Check(run->screen.empty() != run->fleet.empty());
  } else {
    Check(!veltrane::StatusText(run.error()).empty());
  }
  // The same bytes as a Cookie header: a value found lies inside it.
  if (const auto value = CookieValue(text, kTokenCookie))
    Check(value->data() >= text.data() && value->data() + value->size() <= text.data() + size);
  Judge({true, text, text}, "token");
  return 0;
}
