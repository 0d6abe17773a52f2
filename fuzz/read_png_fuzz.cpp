// Any bytes handed to the PNG reader give a picture of consistent size or one error sentence.
#include <cstdint>
#include <cstdlib>
#include <variant>

#include "image/png.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto result = veltrane::image::ReadPng({data, size});
  if (const auto* image = std::get_if<veltrane::image::RgbImage>(&result)) {
    if (image->rgb.size() != static_cast<size_t>(image->width) * image->height * 3) std::abort();
  }
  return 0;
}
