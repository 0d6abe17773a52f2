// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "sim/simulator.h"

namespace CLI {
class App;
}

namespace veltrane::sim {

// What the veltrane-screen command line asks for.
struct CommandLine {
  SimulatorOptions options;
  bool help = false;
  bool version = false;
  bool verbose = false;
  bool speedGiven = false;  // --baud was given (it needs a serial line to pace)
  std::string saveFolder;   // where each accepted program is written, when given
  std::string error;        // set when the arguments cannot be used
};

// Reads the arguments (without the program name).
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// Adds every simulator option to `app`, each reading into `line`, with the text under the options
// of --help. Both veltrane-screen and `veltrane screen` are described by this one definition.
void AddSimulatorOptions(CLI::App& app, CommandLine& line);

// What is wrong with a parsed command line that no single option can say (transports that cannot
// be served together, or none; screens whose ports or addresses run out), or "".
std::string CheckCommandLine(const CommandLine& line);

// The --help text.
std::string HelpText();

}  // namespace veltrane::sim
