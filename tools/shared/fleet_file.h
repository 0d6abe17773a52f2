// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "link/target.h"
#include "shared/udp_endpoint.h"

namespace veltrane::tools {

// What a fleet file may hold. The file is read whole, so its size is bounded; a line longer than
// any sensible target is a mistake (or not a fleet file at all).
constexpr size_t kMaxFleetFileBytes = 1024 * 1024;
constexpr size_t kMaxFleetLineBytes = 1024;
constexpr size_t kMaxFleetScreens = 4096;
constexpr size_t kMaxFleetNameBytes = 64;

// One screen of a fleet, as its line names it.
struct FleetScreen {
  size_t line = 0;    // where it is in the file, from 1
  std::string name;   // empty when the line gives none
  std::string where;  // the target as the results show it (ScreenText)
  link::Target target;
};

// The screen one line of a fleet file names, nothing for a blank or comment line, or one sentence
// on what is wrong with the line (as ParseFleetFile reads each line).
Result<std::optional<FleetScreen>> ReadFleetLine(std::string_view line,
                                                 const HostResolver& resolve = {});

// Reads a fleet file: one screen a line,
//   udp HOST[:PORT] [--address N] [name=NAME]
//   serial PATH [--baud N] [--address N] [name=NAME]
// where NAME is the rest of the line. A word starting with '#' starts a comment to the end of
// the line; blank lines are skipped. Names and screens (target and address) are unique. A HOST
// that is no address text is looked up with `resolve` (once for every line naming it), when
// given. Gives the screens in file order, or the first defect as one sentence that starts with
// where it is: "ORIGIN:LINE: ", or "ORIGIN: " when it is the file's as a whole (`origin` names
// the text, usually its path).
Result<std::vector<FleetScreen>> ParseFleetFile(std::string_view text, std::string_view origin,
                                                const HostResolver& resolve = {});

}  // namespace veltrane::tools
