// SPDX-License-Identifier: MIT
// The veltrane command driving fleets of 1, 16, 256 and 1024 simulated screens, each 2 ms away:
// `veltrane send PROGRAM --to FLEET` with a 64 KiB program, and `veltrane sync-time --to FLEET`.
// Both tools run as their users run them, as child processes: veltrane-screen --screens N
// --delay 2 --spread addresses serves the fleet (at 127.0.1.1 and the addresses after it, one
// port, one socket, so that it takes and answers many screens' datagrams in one system call), and
// each run of the command is timed whole (start, reading, every screen, exit) with its own peak
// memory. The goals, on a 2-CPU machine under light load: 16 screens within 1.1 times the time of
// one, 256 within 1.2 times, 1024 within 1.5 times, and the command's peak memory under 32 MiB for
// 1024. x_one_screen is the median run's time over the median one-screen run of the same command.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/program_bench.h"

namespace {

using namespace veltrane;

constexpr const char* kDelayMs = "2";
constexpr size_t kProgramBytes = 64 * 1024;
// The fixed length of a string area record with its longest text (as the upload bench builds).
constexpr size_t kStringRecordBytes = 2084;

const std::map<int64_t, double> kGoalTimesOne = {{16, 1.1}, {256, 1.2}, {1024, 1.5}};

std::filesystem::path Scratch(const std::string& name) {
  return std::filesystem::temp_directory_path() / ("veltrane_fleet_bench_" + name);
}

// A real program of string areas, about 64 KiB, as a raw block file the screens accept.
const std::filesystem::path& ProgramFile() {
  static const std::filesystem::path file = [] {
    testing::ProgramBench bench;
    bench.NewPage(1);
    const std::string text(2047, 'x');
    for (size_t length = 12 + 16; length + kStringRecordBytes <= kProgramBytes;
         length += kStringRecordBytes)
      bench.AddString({}, text.c_str());
    const std::vector<uint8_t> program = bench.Block();
    const std::filesystem::path path = Scratch("program.bin");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(program.data()),
               static_cast<std::streamsize>(program.size()));
    return path;
  }();
  return file;
}

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// The median one-screen time of each command, for the ratios of the larger fleets.
std::map<std::string, double>& OneScreenSeconds() {
  static std::map<std::string, double> seconds;
  return seconds;
}

// Starts veltrane-screen with `count` screens and writes a fleet file listing them, from the
// "udp ADDRESS:PORT" lines it prints; an empty path when it did not start.
std::filesystem::path ServeFleet(testing::ChildProcess& screens, size_t count) {
  const std::filesystem::path path = Scratch("fleet_" + std::to_string(count) + ".txt");
  std::ofstream out(path);
  for (size_t i = 0; i < count; ++i) {
    const std::string line = screens.ReadLine();
    if (!line.starts_with("udp ")) return {};
    out << line << " name=screen-" << i << "\n";
  }
  return path;
}

// Runs `veltrane COMMAND... --to FLEET` against state.range(0) simulated screens.
void RunFleetCommand(benchmark::State& state, const std::vector<std::string>& command) {
  const auto count = static_cast<size_t>(state.range(0));
  testing::ChildProcess screens({VELTRANE_SCREEN, "--udp", "127.0.1.1:0", "--screens",
                                 std::to_string(count), "--delay", kDelayMs, "--spread",
                                 "addresses"});
  const std::filesystem::path fleet = ServeFleet(screens, count);
  if (fleet.empty()) {
    state.SkipWithError("veltrane-screen did not start");
    return;
  }
  std::vector<std::string> argv{VELTRANE_CLI};
  argv.insert(argv.end(), command.begin(), command.end());
  argv.insert(argv.end(), {"--to", fleet.string()});
  std::vector<double> seconds, commandCpu, screensCpu;
  int64_t peakKiB = 0;
  for (auto _ : state) {
    const double screensBefore = screens.CpuSeconds();
    const testing::ChildRun run = testing::RunChild(argv);
    if (run.exitStatus != 0) {
      state.SkipWithError("a screen did not succeed");
      break;
    }
    state.SetIterationTime(run.seconds);
    seconds.push_back(run.seconds);
    commandCpu.push_back(run.cpuSeconds);
    screensCpu.push_back(screens.CpuSeconds() - screensBefore);
    peakKiB = std::max(peakKiB, run.maxRssKiB);
  }
  std::filesystem::remove(fleet);
  if (seconds.empty()) return;
  const double median = Median(seconds);
  if (count == 1) OneScreenSeconds()[command[0]] = median;
  if (const auto one = OneScreenSeconds().find(command[0]); one != OneScreenSeconds().end())
    state.counters["x_one_screen"] = median / one->second;
  // The goals are the upload's; sync-time is timed to see what a fleet costs a short command.
  if (const auto goal = kGoalTimesOne.find(state.range(0));
      command[0] == "send" && goal != kGoalTimesOne.end())
    state.counters["goal_x"] = goal->second;
  state.counters["median_ms"] = 1000 * median;
  // The CPU time both sides spent: on a machine shared with other work the run waits for CPUs,
  // and these show what it needs of them.
  state.counters["command_cpu_ms"] = 1000 * Median(commandCpu);
  state.counters["screens_cpu_ms"] = 1000 * Median(screensCpu);
  state.counters["peak_rss_MiB"] = static_cast<double>(peakKiB) / 1024.0;
}

void FleetSend(benchmark::State& state) {
  RunFleetCommand(state, {"send", ProgramFile().string()});
}
BENCHMARK(FleetSend)
    ->ArgName("screens")
    ->Arg(1)
    ->Arg(16)
    ->Arg(256)
    ->Arg(1024)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

void FleetSyncTime(benchmark::State& state) { RunFleetCommand(state, {"sync-time"}); }
BENCHMARK(FleetSyncTime)
    ->ArgName("screens")
    ->Arg(1)
    ->Arg(1024)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
