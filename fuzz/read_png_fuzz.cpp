// SPDX-License-Identifier: MIT
// Any bytes handed to the PNG reader give a picture of consistent size, within the reader's
// limits, or one error sentence.
#include <cstdint>
#include <cstdlib>

#include "image/png.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace veltrane::image;
  const auto result = ReadPng({data, size});
  if (result) {
    if (result->rgb.size() != static_cast<size_t>(result->width) * result->height * 3) std::abort();
    if (int64_t{result->width} * result->height > kMaxPngPixels) std::abort();
  } else if (result.error().reason() == nullptr || *result.error().reason() == '\0') {
    std::abort();
  }
  return 0;
}
