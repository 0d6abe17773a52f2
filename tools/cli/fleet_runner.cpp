// SPDX-License-Identifier: MIT
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

// Screens in progress per CPU by default. A turn is a send and a wait of a few milliseconds per
// packet, so a CPU keeps a few hundred of them going; beyond that they queue for the CPU instead
// of the screen, and each holds a socket (and, but for UDP uploads, a thread).
constexpr size_t kJobsPerCpu = 512;
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

// The jobs the process can hold the handles for, when `groups` groups of screens each run up to
// that many at once.
size_t JobsWithinHandleLimit(size_t jobs, size_t groups) {
  groups = std::max<size_t>(groups, 1);
  const size_t allowed = platform::RaiseOpenHandleLimit(jobs * groups + kSpareHandles);
  const size_t room = allowed > kSpareHandles ? (allowed - kSpareHandles) / groups : 1;
  return std::clamp(room, size_t{1}, std::max<size_t>(jobs, 1));
}

// Moves the UDP lanes out of `lanes`, keeping the order of both.
std::vector<std::vector<size_t>> TakeUdpLanes(const std::vector<tools::FleetScreen>& screens,
                                              std::vector<std::vector<size_t>>& lanes) {
  std::vector<std::vector<size_t>> udp;
  std::vector<std::vector<size_t>> others;
  for (std::vector<size_t>& lane : lanes) {
    const bool isUdp = screens[lane.front()].target.transport == link::Transport::Udp;
    (isUdp ? udp : others).push_back(std::move(lane));
  }
  lanes = std::move(others);
  return udp;
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
                                     const ScreenTurn& turn, std::vector<TurnProgress>& progress,
                                     const UdpLanesTurn& udpLanes) {
  std::vector<std::vector<size_t>> lanes = FleetLanes(screens);
  if (jobs == 0) jobs = DefaultJobs(lanes.size());
  std::vector<std::vector<size_t>> batched;
  if (udpLanes) batched = TakeUdpLanes(screens, lanes);
  // A socket or a line for each screen in progress, in both groups.
  jobs = JobsWithinHandleLimit(std::min(jobs, std::max(lanes.size(), batched.size())),
                               (lanes.empty() ? 0 : 1) + (batched.empty() ? 0 : 1));
  std::vector<ScreenResult> results(screens.size());
  LaneWorkers workers(screens, lanes, turn, progress, results);
  std::vector<std::thread> threads;
  threads.reserve(std::min(jobs, lanes.size()));
  try {
    while (threads.size() < std::min(jobs, lanes.size()))
      threads.emplace_back(&LaneWorkers::Work, &workers);
  } catch (const std::system_error&) {
    // The system gave fewer threads than asked: those running take all lanes.
  }
  if (!batched.empty()) udpLanes(screens, batched, jobs, progress, results);
  if (threads.empty()) workers.Work();
  for (std::thread& thread : threads) thread.join();
  return results;
}

}  // namespace veltrane::cli
