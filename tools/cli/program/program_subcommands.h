// SPDX-License-Identifier: MIT
#pragma once

#include "options.h"

// The subcommands that read programs without sending them: the record tree and the picture.
namespace veltrane::cli {

Subcommand AddInspect(CLI::App& app);
Subcommand AddPreview(CLI::App& app);

}  // namespace veltrane::cli
