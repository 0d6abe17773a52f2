// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <utility>

#include "common/result.h"
#include "common/status.h"

namespace veltrane::tools {

// What the tools give back when they refuse: one sentence for the user, as the reason of a
// BadArgument. StatusText reads it back.
inline Failure Refusal(std::string sentence) {
  return Failure(Status(Status::BadArgument, std::move(sentence)));
}

}  // namespace veltrane::tools
