// Building the pre-drawn area items, per call, with the build lock uncontended.
#include <benchmark/benchmark.h>

#include "builder/clock_area.h"
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
BENCHMARK(AddClockBench)->Args({64, 1})->Args({64, 2})->Args({256, 1})->Args({256, 2})
    ->Unit(benchmark::kMillisecond);

}  // namespace
