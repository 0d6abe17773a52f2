// Building the pre-drawn area items, per call, with the build lock uncontended.
#include <benchmark/benchmark.h>

#include "builder/clock_area.h"
#include "builder/date_time_area.h"
#include "builder/program_slot.h"

namespace {

using namespace veltrane;

// Args: side of the square area, colorMode.
void AddClockBench(benchmark::State& state) {
  const auto side = static_cast<int32_t>(state.range(0));
  const auto colorMode = static_cast<int32_t>(state.range(1));
  builder::ReleaseAllSlots();
  const builder::ClockColors colors{0x0000FF, 0x00FF00, 0x00FFFF, 0x00FF00, 0x0000FF, 0};
  for (auto _ : state) {
    state.PauseTiming();
    builder::ReleaseAllSlots();
    const int32_t slot = builder::MakeRoot(1, colorMode);
    builder::AddLeaf(slot, 0);
    state.ResumeTiming();
    if (builder::AddClock(slot, {0, 0, side, side}, 0, colors) != 1) state.SkipWithError("refused");
  }
  builder::ReleaseAllSlots();
}
BENCHMARK(AddClockBench)
    ->Args({64, 1})
    ->Args({64, 2})
    ->Args({256, 1})
    ->Args({256, 2})
    ->Unit(benchmark::kMillisecond);

// The year-month-day area at 12 points: 13 glyphs measured, drawn and packed (faces warm).
void AddDateTimeBench(benchmark::State& state) {
  builder::ReleaseAllSlots();
  for (auto _ : state) {
    state.PauseTiming();
    builder::ReleaseAllSlots();
    const int32_t slot = builder::MakeRoot(1, 2);
    builder::AddLeaf(slot, 0);
    state.ResumeTiming();
    if (builder::AddDateTime(slot, {0, 0, 128, 16}, {"DejaVu Sans", 12, 0x0000FF}, 1, 0) != 1)
      state.SkipWithError("refused");
  }
  builder::ReleaseAllSlots();
}
BENCHMARK(AddDateTimeBench)->Unit(benchmark::kMillisecond);

}  // namespace
