// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "preview.h"
#include "sim/command_line.h"

namespace veltrane::cli {

// The subcommands that run a simulated screen in this process.

// Runs a simulated screen until SIGINT or SIGTERM, as the simulator's options in `line` ask;
// with `renderFolder`, writes a PNG of each program it receives there.
int RunScreen(const sim::CommandLine& line, const std::string& renderFolder,
              PreviewStyle renderStyle = PreviewStyle::Squares);

// Starts a screen in this process, builds and sends a demo program, and writes `output`, a
// picture of what the screen now shows.
int Demo(const std::filesystem::path& output);

}  // namespace veltrane::cli
