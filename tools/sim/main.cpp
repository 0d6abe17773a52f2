// veltrane-screen: a simulated screen on UDP and/or a serial line, until SIGINT or SIGTERM.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/ipv4.h"
#include "platform/wait.h"
#include "platform/wakeup.h"
#include "sim/command_line.h"
#include "sim/simulator.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void LogToStderr(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  using namespace veltrane;
  sim::CommandLine line = sim::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (line.help) {
    std::fputs(sim::HelpText().c_str(), stdout);
    return kExitOk;
  }
  if (!line.error.empty()) {
    std::fprintf(stderr, "veltrane-screen: %s (see --help).\n", line.error.c_str());
    return kExitUsage;
  }
  if (line.verbose) line.options.log = LogToStderr;

  // Blocked before the serving thread starts, so that only this thread sees the signals.
  const platform::UniqueFd signals = platform::TerminationSignals();
  sim::Simulator simulator(line.options);
  std::string error;
  if (!signals.valid() || !simulator.Start(error)) {
    std::fprintf(stderr, "veltrane-screen: %s.\n",
                 error.empty() ? "cannot watch for SIGINT and SIGTERM" : error.c_str());
    return kExitFailed;
  }
  if (line.options.udp)
    std::printf("udp %s:%u\n", platform::FormatIpv4(line.options.udpAddress).c_str(),
                static_cast<unsigned>(simulator.udpPort()));
  if (!simulator.terminalPath().empty())
    std::printf("serial %s\n", simulator.terminalPath().c_str());
  if (!line.options.serialPath.empty()) std::printf("serial %s\n", line.options.serialPath.c_str());
  std::fflush(stdout);

  constexpr uint32_t kWaitMs = 60000;
  while (platform::WaitReadable(signals.get(), kWaitMs) == platform::WaitResult::TimedOut) {
  }
  simulator.Stop();
  return kExitOk;
}
