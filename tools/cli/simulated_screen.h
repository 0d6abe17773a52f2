#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace veltrane::cli {

// The subcommands that run a simulated screen in this process.

// Runs a simulated screen until SIGINT or SIGTERM (arguments as veltrane-screen takes them);
// with `renderFolder`, writes a PNG of each program it receives there.
int RunScreen(const std::vector<std::string>& simulatorArgs, const std::string& renderFolder);

// Starts a screen in this process, builds and sends a demo program, and writes `output`, a
// picture of what the screen now shows.
int Demo(const std::filesystem::path& output);

}  // namespace veltrane::cli
