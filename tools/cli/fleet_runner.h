// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "common/status.h"
#include "link/target.h"
#include "protocol/device_context.h"
#include "shared/fleet_file.h"

namespace veltrane::cli {

// How one screen's turn ended: the status and, for a query, the value read.
struct TurnOutcome {
  Status status = Status::Timeout;
  std::optional<int32_t> value;
};

// Where a screen's turn is, as the live display reads it while workers write it.
struct TurnProgress {
  enum Phase : uint8_t { Waiting, Running, Done };
  std::atomic<Phase> phase{Waiting};
  std::atomic<Status::Code> status{Status::Ok};  // once Done
  std::atomic<uint32_t> packetsDone{0};          // uploads only
  std::atomic<uint32_t> packetsTotal{0};
};

// One screen's turn: talks to the target on the worker's thread, through its own channel.
using ScreenTurn =
    std::function<TurnOutcome(const link::Target&, const protocol::DeviceContext&, TurnProgress&)>;

struct ScreenResult {
  TurnOutcome outcome;
  double seconds = 0;  // from the turn's start to its end
};

// Takes UDP lanes all together on the calling thread, up to `jobs` screens at once (an upload
// that waits on many sockets at once does), writing progress and results at each screen's index.
using UdpLanesTurn = std::function<void(
    const std::vector<tools::FleetScreen>& screens, const std::vector<std::vector<size_t>>& lanes,
    size_t jobs, std::vector<TurnProgress>& progress, std::vector<ScreenResult>& results)>;

// The jobs a fleet of `laneCount` lanes runs at once when the user does not say: a turn mostly
// sleeps waiting for the screen, so many more than the machine's CPUs, but no more than lanes.
size_t DefaultJobs(size_t laneCount);

// Screens that must take turns, as indices into the fleet in file order: those on one serial
// device (however its path is spelled) or at one UDP address and port. Lanes come in the order
// of their first screen.
std::vector<std::vector<size_t>> FleetLanes(const std::vector<tools::FleetScreen>& screens);

// Runs `turn` for every screen, lanes side by side on at most `jobs` threads (0: DefaultJobs),
// each lane's screens one after another. When `udpLanes` is given, the UDP lanes go to it
// instead, on this thread, while the threads take the others. `progress` has one entry per
// screen. Results come in the fleet's order. Every turn runs, even when threads cannot be had
// (then on this thread).
std::vector<ScreenResult> DriveFleet(const std::vector<tools::FleetScreen>& screens, size_t jobs,
                                     const ScreenTurn& turn, std::vector<TurnProgress>& progress,
                                     const UdpLanesTurn& udpLanes = {});

}  // namespace veltrane::cli
