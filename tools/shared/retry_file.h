// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace veltrane::tools {

// An earlier run's --json result is read whole, so its size is bounded; a fleet of the most
// screens a fleet file holds fits well within it.
constexpr size_t kMaxRetryFileBytes = 4 * 1024 * 1024;

// One screen of an earlier run's result: where it was ("target" and "address", as the fleet file
// named it) and whether it succeeded ("result" "ok").
struct EarlierResult {
  std::string target;
  int32_t address = 0;
  bool succeeded = false;
};

// Reads an earlier --json result of a fleet: an array of objects each with a "target" string,
// an "address" number 0..255 and a "result" string (other members are ignored). Gives the
// entries in order, or one sentence on what is wrong ("entry 3 has no \"target\"").
Result<std::vector<EarlierResult>> ParseRetryFile(std::string_view text);

}  // namespace veltrane::tools
