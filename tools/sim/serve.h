// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>

#include "sim/command_line.h"
#include "sim/simulator.h"

namespace veltrane::sim {

// Runs a simulator with `options` until SIGINT or SIGTERM, printing the transports it serves on
// stdout ("udp ADDRESS:PORT", one line for each screen in order, then "serial PATH") once they are
// open. `onStarted` runs on the calling
// thread once the simulator serves. Returns the exit status: 0 after a signal; 2 when the
// simulator could not start (a missing device, a port in use: what the user named cannot be
// served) and 1 when the signals cannot be watched, each with one sentence on stderr, prefixed
// with `programName`.
int ServeUntilSignalled(const SimulatorOptions& options, const char* programName,
                        const std::function<void(Simulator&)>& onStarted = {});

// The simulator options a command line asks for, with what its switches add: -v logs each request
// on stderr, --save-programs writes each program that passes the screen's check to
// DIR/program-N.bin (N counting the programs kept, from 1). A program it cannot write is refused
// (its end packet is answered with a refusal) and the reason is said, in the -v log or else on
// stderr prefixed with `programName`; the screen serves on.
SimulatorOptions ServingOptions(const CommandLine& line, const char* programName);

}  // namespace veltrane::sim
