// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "common/result.h"
#include "fleet_results.h"
#include "platform/clock.h"
#include "protocol/fleet.h"
#include "shared/fleet_file.h"

namespace veltrane::cli {

// How to drive a fleet, as the command line gives it.
struct FleetOptions {
  std::string file;               // the fleet file (--to)
  size_t jobs = 0;                // screens driven at once; 0 sizes it to the machine and the fleet
  std::vector<std::string> only;  // --only: the names of the screens to drive; empty: every one
  std::string retry;              // --retry: an earlier --json result; only its failed screens
};

// The screens a fleet file lists, or one sentence ("fleet.txt:3: ...") on why it cannot be used.
Result<std::vector<tools::FleetScreen>> LoadFleet(const std::filesystem::path& file);

// The screens of the fleet file that --only and --retry pick, in the file's order (none when the
// earlier run left none to run again), or one sentence on why the choice cannot be made: a name
// the fleet does not have, a retry file that cannot be read or names a screen it does not have.
Result<std::vector<tools::FleetScreen>> PickScreens(const FleetOptions& options);

// Runs `task` at every screen through the library's engine. With `live`, a line per screen shows
// the progress on stderr while it runs (wiped at the end).
std::vector<protocol::ScreenResult> DriveScreens(const std::vector<tools::FleetScreen>& screens,
                                                 const protocol::FleetTask& task,
                                                 const protocol::FleetPolicy& policy, bool live,
                                                 platform::Clock& clock);

// `status`'s second question: the brightness of the screens whose power query (`power`, in the
// order of `screens`) was answered. The others keep their power result rather than wait out
// their tries again.
std::vector<protocol::ScreenResult> BrightnessOfAnswered(
    const std::vector<tools::FleetScreen>& screens,
    const std::vector<protocol::ScreenResult>& power, const protocol::FleetPolicy& policy,
    platform::Clock& clock, const protocol::CancelFlag* cancel = nullptr);

// Prints a fleet's results (a table and a count, or with `json` ResultJson), says on stderr
// why screens failed and how many did not succeed, and gives FleetExitStatus.
int ReportFleet(const std::vector<tools::FleetScreen>& screens,
                const std::vector<protocol::ScreenResult>& results, bool json, double seconds,
                const ValueWords& value);

}  // namespace veltrane::cli
