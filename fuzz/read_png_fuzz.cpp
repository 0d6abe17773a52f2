// SPDX-License-Identifier: MIT
// Any bytes handed to the PNG reader give a picture of consistent size, within the reader's
// limits, or one error sentence.
#include <cstdint>
#include <cstdlib>
#include <variant>

#include "image/png.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace veltrane::image;
  const auto result = ReadPng({data, size});
  if (const auto* image = std::get_if<RgbImage>(&result)) {
    if (image->rgb.size() != static_cast<size_t>(image->width) * image->height * 3) std::abort();
    if (int64_t{image->width} * image->height > kMaxPngPixels) std::abort();
  } else if (std::get<std::string>(result).empty()) {
    std::abort();
  }
  return 0;
}
