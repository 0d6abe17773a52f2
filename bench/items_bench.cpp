// SPDX-License-Identifier: MIT
// Building the pre-drawn area items, per call, with the build lock uncontended.
#include <benchmark/benchmark.h>

#include "builder/clock_area.h"
#include "builder/date_time_area.h"
#include "builder/program.h"
#include "support/program_bench.h"

namespace {

using namespace veltrane;

// Args: side of the square area, colorMode.
void AddClockBench(benchmark::State& state) {
  const auto side = static_cast<int32_t>(state.range(0));
  const auto colorMode = static_cast<int32_t>(state.range(1));
  testing::ProgramBench bench;
  const builder::ClockColors colors{0x0000FF, 0x00FF00, 0x00FFFF, 0x00FF00, 0x0000FF, 0};
  for (auto _ : state) {
    state.PauseTiming();
    bench.NewPage(colorMode);
    state.ResumeTiming();
    if (bench.AddClock({0, 0, side, side}, 0, colors) != Status::Ok) state.SkipWithError("refused");
  }
}
BENCHMARK(AddClockBench)
    ->Args({64, 1})
    ->Args({64, 2})
    ->Args({256, 1})
    ->Args({256, 2})
    ->Unit(benchmark::kMillisecond);

// The year-month-day area at 12 points: 13 glyphs measured, drawn and packed (faces warm).
void AddDateTimeBench(benchmark::State& state) {
  testing::ProgramBench bench;
  for (auto _ : state) {
    state.PauseTiming();
    bench.NewPage(2);
    state.ResumeTiming();
    if (bench.AddDateTime({0, 0, 128, 16}, {"DejaVu Sans", 12, 0x0000FF}, 1, 0) != Status::Ok)
      state.SkipWithError("refused");
  }
}
BENCHMARK(AddDateTimeBench)->Unit(benchmark::kMillisecond);

}  // namespace
