// SPDX-License-Identifier: MIT
#pragma once

// Everything the studio asks of screens goes through this one file: a run of one action on a
// list of screens, through the library's fleet engine as `veltrane send --to` and `veltrane
// status` drive it, with one outcome per screen, progress as it goes, and a way to cancel.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/status.h"
#include "protocol/exchange.h"
#include "shared/fleet_file.h"

namespace veltrane::studio {

// One screen of a run, as a fleet file's line names it.
using ScreenTarget = tools::FleetScreen;

// What a run does on every screen.
struct ScreenJob {
  enum Kind { Send, PowerOn, PowerOff, SetBrightness, SetClock, ReadStatus };
  Kind kind = ReadStatus;
  std::vector<uint8_t> program;  // Send: the built program
  int32_t brightness = 0;        // SetBrightness
};

// How one screen's part of a run ended.
struct ScreenOutcome {
  Status::Code status = Status::Ok;  // Cancelled: the run was cancelled before the screen's end
  std::string why;                   // the library's words for a failure
  uint32_t packetsDone = 0;          // packets acknowledged of all there are
  uint32_t packetsTotal = 0;
  uint64_t bytes = 0;                 // Send: program bytes the screen acknowledged
  uint32_t ms = 0;                    // from the screen's turn starting to its end
  std::optional<int32_t> power;       // ReadStatus: what the screen said
  std::optional<int32_t> brightness;  // ReadStatus
};

// Called on the run's thread as a screen's turn starts and its packets are acknowledged, for the
// screen at `screen` in the run's list.
using ScreenProgress = std::function<void(size_t screen, uint32_t done, uint32_t total)>;

// Runs `job` on every screen, screens on one serial device or one UDP endpoint taking turns, and
// returns once every screen's part has ended. Once `cancel` is requested no screen begins, and
// those under way end as the engine lets them: a screen whose last packet was out is not
// reported cancelled.
std::vector<ScreenOutcome> RunScreens(const std::vector<ScreenTarget>& screens,
                                      const ScreenJob& job, const ScreenProgress& progress,
                                      const protocol::CancelFlag& cancel);

}  // namespace veltrane::studio
