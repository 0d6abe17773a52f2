// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "link/target.h"
#include "platform/clock.h"
#include "protocol/device_commands.h"
#include "protocol/exchange.h"
#include "protocol/exchange_steps.h"

namespace veltrane::protocol {

// The upload of one program, to every screen of a run.
struct ProgramUpload {
  std::span<const uint8_t> program;  // must outlive the run
};

// What a run does at each screen. A SetTime request sets each screen to the clock's local time
// as its own turn starts, however long the screens before it took.
using FleetTask = std::variant<Request, ProgramUpload>;

// How a run goes about it.
struct FleetPolicy {
  size_t jobs = 0;  // screens in progress at once, at most; 0: DefaultJobs
  TryPolicy tries;  // of every packet to every screen
  // Told of every try and reply of every screen, on the thread that drives it (for a run of
  // one screen whose conversation a tool shows).
  ExchangeWatcher* watcher = nullptr;
};

// How far a screen's turn has come: packets acknowledged of all, and the program bytes they
// carried.
struct Progress {
  uint32_t done = 0;
  uint32_t total = 0;
  size_t bytes = 0;
};

// How one screen's turn ended, and how long it took from its start (0 for a screen the run never
// reached, which ends Cancelled, or that could not be tried).
struct ScreenResult {
  Outcome outcome;
  uint32_t milliseconds = 0;
};

// Told of a run's progress on the thread that runs it.
class FleetEvents {
 public:
  // The screen's turn began.
  virtual void Started(size_t screen) = 0;
  // More packets are acknowledged; told a few times a second at most per screen.
  virtual void Progressed(size_t screen, const Progress& progress) = 0;
  // The screen's turn ended so.
  virtual void Finished(size_t screen, const ScreenResult& result) = 0;

 protected:
  ~FleetEvents() = default;
};

// The jobs a run of `laneCount` lanes has at once when its caller does not say: a turn mostly
// waits for its screen, so many more than the machine's CPUs, but no more than lanes.
size_t DefaultJobs(size_t laneCount);

// Screens that must take turns, as indices into `screens` in their order: those on one serial
// device (however its path is spelled) or at one UDP address and port. A screen that names no
// transport is a lane of its own. Lanes come in the order of their first screen.
std::vector<std::vector<size_t>> FleetLanes(std::span<const link::Target> screens);

// The multiplexed driver: does `task` at every screen, each screen's conversation taken through
// ExchangeSteps, lanes side by side and at most `policy.jobs` screens at once. UDP screens are
// driven all from the calling thread, many to a socket (replies told apart by their source; a
// screen with a fixed local port has a socket of its own) and in as few calls to the system as it
// allows; each serial line is driven by a thread of its own. Screens of a lane go one after
// another. The windows run on `clock`. `events`, when given, hears of every screen on this
// thread. Once `cancel` is requested no screen begins, and those in progress stop as
// ExchangeSteps::Cancel says: every screen left ends Cancelled unless its last packet was out.
// Results come in the order of `screens`.
std::vector<ScreenResult> DriveFleet(std::span<const link::Target> screens, const FleetTask& task,
                                     const FleetPolicy& policy, platform::Clock& clock,
                                     FleetEvents* events = nullptr,
                                     const CancelFlag* cancel = nullptr);

}  // namespace veltrane::protocol
