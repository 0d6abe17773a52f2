// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "shared/fleet_file.h"

namespace veltrane::cli {

// How to drive a fleet, as the command line gives it.
struct FleetOptions {
  std::string file;     // the fleet file (--to)
  size_t jobs = 0;      // screens driven at once; 0 sizes it to the machine and the fleet
  bool json = false;    // results as a JSON array instead of a table
  bool strict = false;  // a warning fails the command before any screen is driven
};

// The screens a fleet file lists, or one sentence ("fleet.txt:3: ...") on why it cannot be used.
std::variant<std::vector<tools::FleetScreen>, std::string> LoadFleet(
    const std::filesystem::path& file);

// The device subcommands and the upload with --to: every screen of the fleet, each through its
// own channel, several at once. On a terminal a live line per screen shows the progress; at the
// end a table of results (or JSON) goes to stdout. The exit status is FleetExitStatus's.
int FleetPower(const FleetOptions& fleet, const std::optional<std::string>& state);
int FleetBrightness(const FleetOptions& fleet, const std::optional<int32_t>& value);
int FleetReset(const FleetOptions& fleet);
int FleetSyncTime(const FleetOptions& fleet);
// The program is loaded (or built), read back and checked once, then sent to every screen.
int FleetSend(const FleetOptions& fleet, const std::filesystem::path& program);

}  // namespace veltrane::cli
