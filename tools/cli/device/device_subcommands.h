// SPDX-License-Identifier: MIT
#pragma once

#include "options.h"

// The subcommands that talk to screens (each through the library's engine, to one screen or a
// fleet), list serial devices, or run a simulated screen. Each registers its options on `app`
// and says what runs when it is the one given.
namespace veltrane::cli {

Subcommand AddPower(CLI::App& app);
Subcommand AddBrightness(CLI::App& app);
Subcommand AddReset(CLI::App& app);
Subcommand AddSyncTime(CLI::App& app);
Subcommand AddStatus(CLI::App& app);
Subcommand AddSend(CLI::App& app);
Subcommand AddPorts(CLI::App& app);
Subcommand AddScreen(CLI::App& app);
Subcommand AddDemo(CLI::App& app);

}  // namespace veltrane::cli
