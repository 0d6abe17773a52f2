// SPDX-License-Identifier: MIT
// veltrane-screen: a simulated screen on UDP and/or a serial line, until SIGINT or SIGTERM.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/tools/terminal.h"
#include "shared/output_file.h"
#include "sim/command_line.h"
#include "sim/serve.h"
#include "veltrane/veltrane.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;

int Run(int argc, char** argv) {
  using namespace veltrane;
  sim::CommandLine line = sim::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (line.help) {
    std::fputs(sim::HelpText().c_str(), stdout);
    return kExitOk;
  }
  if (line.version) {
    std::puts("veltrane-screen " VELTRANE_VERSION_STRING);
    return kExitOk;
  }
  if (!line.error.empty()) {
    std::fprintf(stderr, "veltrane-screen: %s (see --help).\n", line.error.c_str());
    return kExitUsage;
  }
  return sim::ServeUntilSignalled(sim::ServingOptions(line, "veltrane-screen"), "veltrane-screen");
}

}  // namespace

int main(int argc, char** argv) {
  veltrane::platform::HoldClosedStandardStreams();
  return veltrane::tools::FinishStandardOutput("veltrane-screen", Run(argc, argv));
}
