// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/status.h"
#include "protocol/fleet.h"
#include "shared/fleet_file.h"

namespace veltrane::cli {

// How a screen's value reads in the results: "on" for a power of 1, say.
using ValueText = std::function<std::string(int32_t)>;

// What a screen that succeeded holds after the command, as --json gives it ("value"): what a
// query read, what a setting set; null when the command leaves nothing to say.
using ValueJson = std::function<nlohmann::json(const protocol::ScreenResult&)>;

// How a subcommand words its screens' values: in the results table, and in --json.
struct ValueWords {
  ValueText text;
  ValueJson json;
};

// The word for how a turn ended: "ok", "no answer", "refused", "cancelled" or "failed".
std::string ResultWord(Status::Code status);

// The screen's name in the results, "-" when its line gives none.
std::string DisplayName(const tools::FleetScreen& screen);

// The results as a table, a line per screen (name, target, result, time) under a heading.
// A successful query shows its value as `valueText` words it.
std::string ResultTable(const std::vector<tools::FleetScreen>& screens,
                        const std::vector<protocol::ScreenResult>& results,
                        const ValueText& valueText);

// Every subcommand's --json result, for one screen as for a fleet: an array with an object per
// screen, each with the same keys: "name" (null when none), "target" and "address" (as the fleet
// file names the screen), "result" (ResultWord), "error" (the library's words for a failure, else
// null), "value" (`value` of a screen that succeeded, else null), "packets" (acknowledged),
// "bytes" (of a program, acknowledged) and "milliseconds" (the screen's turn).
std::string ResultJson(const std::vector<tools::FleetScreen>& screens,
                       const std::vector<protocol::ScreenResult>& results, const ValueJson& value);

// `status`: a line per screen with its power and brightness (or why it has none), or as
// ResultJson with {"power", "brightness"} for the value (each null when not read), the worse of
// the two queries for "result" and "error", and their sums for the counts.
std::string StatusTable(const std::vector<tools::FleetScreen>& screens,
                        const std::vector<protocol::ScreenResult>& power,
                        const std::vector<protocol::ScreenResult>& brightness);
std::string StatusJson(const std::vector<tools::FleetScreen>& screens,
                       const std::vector<protocol::ScreenResult>& power,
                       const std::vector<protocol::ScreenResult>& brightness);

// The command's exit status: 0 when every screen succeeded, 1 when some did not answer, refused
// or were cancelled, 2 when a screen could not even be tried (its device or socket would not
// open), whatever the order of the results.
int FleetExitStatus(const std::vector<protocol::ScreenResult>& results);

// The worse of two results of one screen, for an exit status over both.
protocol::ScreenResult Worse(const protocol::ScreenResult& a, const protocol::ScreenResult& b);

// "on", "off", or the screen's other value as a number; in JSON, that number as a number.
std::string PowerWord(int32_t value);
nlohmann::json PowerJson(int32_t value);

}  // namespace veltrane::cli
