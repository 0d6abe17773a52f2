// SPDX-License-Identifier: MIT
#pragma once

#include "common/status.h"

namespace veltrane::platform {

// What a part only the Linux tools use answers here, where the tools are not built: the call
// fails as it would if the system refused, and says why.
constexpr Status kNotOnWindows{Status::OsError, "not available on Windows"};

}  // namespace veltrane::platform
