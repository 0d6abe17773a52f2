// SPDX-License-Identifier: MIT
// EncodeRaster in pixels per second (items/s below: one item is one pixel), one and two bits per
// pixel, on a text-line-sized picture, a square and a large panel, next to the plain
// pixel-by-pixel packing.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "raster/raster.h"
#include "support/reference_raster.h"

namespace {

using namespace veltrane;

image::Surface RandomPicture(int32_t width, int32_t height) {
  image::Surface s(width, height);
  std::mt19937 random(3);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) s.SetPixel(x, y, static_cast<image::Color>(random()));
  }
  return s;
}

void EncodeFast(benchmark::State& state) {
  const auto width = static_cast<int32_t>(state.range(0));
  const auto height = static_cast<int32_t>(state.range(1));
  const auto mode = static_cast<int32_t>(state.range(2));
  const image::Surface picture = RandomPicture(width, height);
  std::vector<uint8_t> out(static_cast<size_t>(raster::RasterSize(width, height, mode)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(raster::EncodeRaster(out, picture, width, height, mode));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * width * height);
}

void EncodePlain(benchmark::State& state) {
  const auto width = static_cast<int32_t>(state.range(0));
  const auto height = static_cast<int32_t>(state.range(1));
  const auto mode = static_cast<int32_t>(state.range(2));
  const image::Surface picture = RandomPicture(width, height);
  for (auto _ : state) {
    benchmark::DoNotOptimize(testing::EncodeRasterPlain(picture, width, height, mode));
  }
  state.SetItemsProcessed(state.iterations() * width * height);
}

// Arguments: width, height, colorMode.
void Sizes(benchmark::internal::Benchmark* b) {
  for (int mode : {1, 2}) {
    b->Args({600, 19, mode});
    b->Args({256, 256, mode});
    b->Args({2048, 512, mode});
  }
}

BENCHMARK(EncodeFast)->Apply(Sizes);
BENCHMARK(EncodePlain)->Apply(Sizes);

}  // namespace
