#pragma once

#include <string>
#include <vector>

#include "sim/simulator.h"

namespace veltrane::sim {

// What the veltrane-screen command line asks for.
struct CommandLine {
  SimulatorOptions options;
  bool help = false;
  bool version = false;
  bool verbose = false;
  std::string saveFolder;  // where each accepted program is written, when given
  std::string error;       // set when the arguments cannot be used
};

// Reads the arguments (without the program name).
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The --help text.
std::string HelpText();

}  // namespace veltrane::sim
