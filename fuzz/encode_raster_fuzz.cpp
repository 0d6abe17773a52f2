// SPDX-License-Identifier: MIT
// EncodeRaster with arbitrary sizes, modes, rooms and pictures: it must never write outside the
// room it is given (the sanitizers watch an exact-size heap buffer), must report a length that
// fits, and must agree with RasterSize whenever the room suffices.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/byte_reader.h"
#include "raster/raster.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Header: width and height (signed 16-bit, so negative and zero sizes come up), colorMode,
  // the room, and the surface's own size; the rest colours the surface.
  veltrane::ByteReader in({data, size});
  if (size < 9) return 0;
  const auto width = static_cast<int16_t>(*in.U16(0));
  const auto height = static_cast<int16_t>(*in.U16(2));
  const int32_t colorMode = static_cast<int8_t>(*in.U8(4));
  const size_t room = *in.U16(5);
  const int32_t surfaceWidth = *in.U8(7) % 80;
  const int32_t surfaceHeight = *in.U8(8) % 80;

  veltrane::image::Surface surface(surfaceWidth, surfaceHeight);
  size_t next = 9;
  for (int32_t y = 0; y < surfaceHeight && next + 3 <= size; ++y) {
    for (int32_t x = 0; x < surfaceWidth && next + 3 <= size; ++x, next += 3) {
      surface.SetPixel(x, y,
                       veltrane::image::MakeColor(data[next], data[next + 1], data[next + 2]));
    }
  }

  auto out = std::make_unique<uint8_t[]>(room);
  const int32_t n =
      veltrane::raster::EncodeRaster({out.get(), room}, surface, width, height, colorMode);
  Check(n >= 0 && static_cast<size_t>(n) <= room);
  const int32_t expected = veltrane::raster::RasterSize(width, height, colorMode);
  if (width > 0 && height > 0 && expected != 0 && static_cast<size_t>(expected) <= room) {
    Check(n == expected);
  }
  if (n != 0) Check(veltrane::ByteReader({out.get(), room}).U32(8) == static_cast<uint32_t>(n));
  return 0;
}
