#include "fleet_runner.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "common/busy_count.h"
#include "platform/clock.h"
#include "platform/ipv4.h"
#include "platform/process_limits.h"

namespace veltrane::cli {
namespace {

// Threads per CPU by default. A turn is a send and a wait of a few milliseconds per packet, so a
// CPU keeps a few hundred of them busy; beyond that they queue for the CPU instead of the screen.
constexpr size_t kJobsPerCpu = 256;
constexpr size_t kMaxDefaultJobs = 1024;
// Handles the process holds besides one socket or line per running turn: standard streams,
// the terminal, libraries' own.
constexpr size_t kSpareHandles = 64;

// What makes two screens share a lane: the device itself, or the UDP endpoint.
std::string LaneKey(const link::Target& target) {
  if (target.transport == link::Transport::Serial) {
    std::error_code error;
    const std::filesystem::path device =
        std::filesystem::weakly_canonical(target.devicePath, error);
    return "serial " + (error ? target.devicePath : device.string());
  }
  return "udp " + platform::FormatIpv4(target.remoteAddress) + ":" +
         std::to_string(target.remotePort);
}

// The jobs the process can hold the handles for.
size_t JobsWithinHandleLimit(size_t jobs) {
  const size_t allowed = platform::RaiseOpenHandleLimit(jobs + kSpareHandles);
  return std::clamp(allowed > kSpareHandles ? allowed - kSpareHandles : 1, size_t{1}, jobs);
}

TurnOutcome RunTurn(const ScreenTurn& turn, const link::Target& target,
                    const protocol::DeviceContext& devices, TurnProgress& progress) {
  try {
    return turn(target, devices, progress);
  } catch (const std::bad_alloc&) {
    return {Status::NoMemory, std::nullopt};
  }
}

// Takes lanes off a shared counter and runs their screens in order until none is left.
class LaneWorkers {
 public:
  LaneWorkers(const std::vector<tools::FleetScreen>& screens,
              const std::vector<std::vector<size_t>>& lanes, const ScreenTurn& turn,
              std::vector<TurnProgress>& progress, std::vector<ScreenResult>& results)
      : screens_(screens), lanes_(lanes), turn_(turn), progress_(progress), results_(results) {}

  void Work() {
    for (size_t lane = next_++; lane < lanes_.size(); lane = next_++)
      for (const size_t screen : lanes_[lane]) RunScreen(screen);
  }

 private:
  void RunScreen(size_t screen) {
    TurnProgress& progress = progress_[screen];
    progress.phase = TurnProgress::Running;
    const auto start = std::chrono::steady_clock::now();
    const protocol::DeviceContext devices{platform::SystemClock(), busy_};
    ScreenResult& result = results_[screen];
    result.outcome = RunTurn(turn_, screens_[screen].target, devices, progress);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    progress.status = result.outcome.status.code();
    progress.phase = TurnProgress::Done;
  }

  const std::vector<tools::FleetScreen>& screens_;
  const std::vector<std::vector<size_t>>& lanes_;
  const ScreenTurn& turn_;
  std::vector<TurnProgress>& progress_;
  std::vector<ScreenResult>& results_;  // each written by the one worker running its screen
  std::atomic<size_t> next_{0};
  BusyCount busy_;
};

}  // namespace

size_t DefaultJobs(size_t laneCount) {
  const size_t cpus = std::max(1u, std::thread::hardware_concurrency());
  return std::max<size_t>(1, std::min({laneCount, cpus * kJobsPerCpu, kMaxDefaultJobs}));
}

std::vector<std::vector<size_t>> FleetLanes(const std::vector<tools::FleetScreen>& screens) {
  std::vector<std::vector<size_t>> lanes;
  std::map<std::string, size_t> laneOf;
  for (size_t i = 0; i < screens.size(); ++i) {
    const auto [at, fresh] = laneOf.emplace(LaneKey(screens[i].target), lanes.size());
    if (fresh) lanes.emplace_back();
    lanes[at->second].push_back(i);
  }
  return lanes;
}

std::vector<ScreenResult> DriveFleet(const std::vector<tools::FleetScreen>& screens, size_t jobs,
                                     const ScreenTurn& turn, std::vector<TurnProgress>& progress) {
  const std::vector<std::vector<size_t>> lanes = FleetLanes(screens);
  if (jobs == 0) jobs = DefaultJobs(lanes.size());
  jobs = JobsWithinHandleLimit(std::min(jobs, lanes.size()));
  std::vector<ScreenResult> results(screens.size());
  LaneWorkers workers(screens, lanes, turn, progress, results);
  std::vector<std::thread> threads;
  threads.reserve(jobs);
  try {
    while (threads.size() < jobs) threads.emplace_back(&LaneWorkers::Work, &workers);
  } catch (const std::system_error&) {
    // The system gave fewer threads than asked: those running take all lanes.
  }
  if (threads.empty()) workers.Work();
  for (std::thread& thread : threads) thread.join();
  return results;
}

}  // namespace veltrane::cli
