// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/status.h"
#include "fleet_runner.h"
#include "shared/fleet_file.h"

namespace veltrane::cli {

// How a screen's value reads in the results: "on" for a power of 1, say.
using ValueText = std::function<std::string(int32_t)>;

// The word for how a turn ended: "ok", "no answer", "refused" or "failed".
std::string ResultWord(Status::Code status);

// The screen's name in the results, "-" when its line gives none.
std::string DisplayName(const tools::FleetScreen& screen);

// The results as a table, a line per screen (name, target, result, time) under a heading.
// A successful query shows its value as `valueText` words it.
std::string ResultTable(const std::vector<tools::FleetScreen>& screens,
                        const std::vector<ScreenResult>& results, const ValueText& valueText);

// The results as a JSON array, an object per screen: "name" (null when none), "target",
// "address", "result" (ResultWord), "seconds", "value" for a successful query, and "error",
// the library's words for a failure.
std::string ResultJson(const std::vector<tools::FleetScreen>& screens,
                       const std::vector<ScreenResult>& results);

// The command's exit status: 0 when every screen succeeded, 1 when some did not answer or
// refused, 2 when a screen could not even be tried (its device or socket would not open).
int FleetExitStatus(const std::vector<ScreenResult>& results);

}  // namespace veltrane::cli
