// SPDX-License-Identifier: MIT
// Any text handed to the reader of earlier fleet results gives entries or one sentence; an
// accepted entry has a target and an address a screen can have.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/status_text.h"
#include "shared/retry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace veltrane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto result = tools::ParseRetryFile(text);
  if (!result) {
    if (StatusText(result.error()).empty()) std::abort();
    return 0;
  }
  for (const tools::EarlierResult& entry : *result)
    if (entry.address < 0 || entry.address > 255 || entry.target.size() > size) std::abort();
  return 0;
}
