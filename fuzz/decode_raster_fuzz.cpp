// SPDX-License-Identifier: MIT
// Any bytes handed to the raster decoder give nothing or a picture of consistent size, and the
// decoder reads nothing outside them.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "raster/raster_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto copy = std::make_unique<uint8_t[]>(size);
  if (size != 0) std::memcpy(copy.get(), data, size);
  const auto picture = veltrane::raster::DecodeRaster({copy.get(), size});
  if (picture && picture->pixels.size() != static_cast<size_t>(picture->width) * picture->height)
    std::abort();
  return 0;
}
