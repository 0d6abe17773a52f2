// SPDX-License-Identifier: MIT
// A text area of a 40-character line at 12 points (16 pixels per em) with the font and its glyphs
// already loaded, and the steps it is made of. Goal: AddText at most 30 µs per call.
#include <benchmark/benchmark.h>

#include <string>

#include "builder/program.h"
#include "builder/text_area.h"
#include "platform/font.h"
#include "platform/text_codec.h"
#include "raster/raster.h"
#include "raster/text_picture.h"
#include "support/program_bench.h"

namespace {

using namespace veltrane;

constexpr const char* kLine = "The quick brown fox jumps over a lazy 42";
constexpr const char* kFace = "DejaVu Sans";
const platform::FontRequest kFont{kFace, -16};

static_assert(std::char_traits<char>::length(kLine) == 40);

// A fresh program with one page. The areas added to it are dropped every 64 calls outside the
// timing, so that the figure is the call's own work and not the first touch of ever more fresh
// memory (a program of a thousand text areas costs about twice as much per call for that alone).
void AddText(benchmark::State& state) {
  const auto colorMode = static_cast<int32_t>(state.range(0));
  testing::ProgramBench bench;
  bench.NewPage(colorMode);
  const builder::TextStyle style{12, 0x0000FF};
  bench.AddText({}, style, kLine, kFace);  // loads the face and the glyphs
  int64_t added = 0;
  for (auto _ : state) {
    if (bench.AddText({}, style, kLine, kFace) != Status::Ok) state.SkipWithError("refused");
    if (++added % 64 == 0) {
      state.PauseTiming();
      bench.NewPage(colorMode);
      state.ResumeTiming();
    }
  }
}

void DecodeLine(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(platform::TextEncoding().Decode(kLine));
}

void MeasureLine(benchmark::State& state) {
  const std::u32string line = platform::TextEncoding().Decode(kLine);
  for (auto _ : state) benchmark::DoNotOptimize(platform::MeasureTextLine(line, kFont));
}

void DrawLine(benchmark::State& state) {
  const std::u32string line = platform::TextEncoding().Decode(kLine);
  for (auto _ : state) benchmark::DoNotOptimize(platform::DrawTextLine(line, kFont, 0x0000FF));
}

void EncodeLine(benchmark::State& state) {
  const auto colorMode = static_cast<int32_t>(state.range(0));
  raster::TextPicture text;
  if (raster::DrawTextPicture(platform::TextEncoding().Decode(kLine), kFont, 0x0000FF, colorMode,
                              text) != Status::Ok)
    state.SkipWithError("not drawn");
  std::vector<uint8_t> room(static_cast<size_t>(text.rasterBytes));
  for (auto _ : state) {
    benchmark::DoNotOptimize(raster::EncodeTextPicture(room, text, colorMode));
    benchmark::ClobberMemory();
  }
  state.counters["width_px"] = text.picture.width();
  state.counters["height_px"] = text.picture.height();
}

BENCHMARK(AddText)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(DecodeLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(MeasureLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(DrawLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(EncodeLine)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
