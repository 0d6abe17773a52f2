// SPDX-License-Identifier: MIT
#include "sim/serve.h"

#include <cstdio>
#include <filesystem>

#include "platform/ipv4.h"
#include "platform/tools/process_limits.h"
#include "platform/tools/wakeup.h"
#include "shared/output_file.h"

namespace veltrane::sim {
namespace {

// What the user named cannot be served: a usage and environment error, like a bad option.
constexpr int kExitCannotServe = 2;

void LogToStderr(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

// Keeps each program as DIR/program-N.bin. One that cannot be written is refused with the
// reason, which the -v log shows; without -v it is said on stderr.
std::function<std::optional<std::string>(std::span<const uint8_t>)> ProgramWriter(
    const std::filesystem::path& folder, const std::string& programName, bool logged) {
  return [folder, programName, logged,
          count = 0](std::span<const uint8_t> program) mutable -> std::optional<std::string> {
    const std::filesystem::path file = folder / ("program-" + std::to_string(count + 1) + ".bin");
    const std::string error = tools::WriteOutputFile(file, program);
    if (error.empty()) {
      ++count;
      return std::nullopt;
    }
    if (!logged)
      std::fprintf(stderr, "%s: %s; the program was refused.\n", programName.c_str(),
                   error.c_str());
    return error;
  };
}

}  // namespace

SimulatorOptions ServingOptions(const CommandLine& line, const char* programName) {
  SimulatorOptions options = line.options;
  if (line.verbose) options.log = LogToStderr;
  if (!line.saveFolder.empty())
    options.keepProgram = ProgramWriter(line.saveFolder, programName, line.verbose);
  return options;
}

int ServeUntilSignalled(const SimulatorOptions& options, const char* programName,
                        const std::function<void(Simulator&)>& onStarted) {
  // Blocked before the serving thread starts, so that only this thread sees the signals.
  platform::StopRequest stopRequest;
  const bool watchingStops = stopRequest.Open() == Status::Ok;
  if (!watchingStops) {
    std::fprintf(stderr, "%s: cannot watch for SIGINT and SIGTERM.\n", programName);
    return 1;
  }
  // A socket for each screen, beside the serving thread's own handles.
  constexpr size_t kSpareHandles = 64;
  platform::RaiseOpenHandleLimit(options.screens + kSpareHandles);
  Simulator simulator(options);
  std::string error;
  if (!simulator.Start(error)) {
    std::fprintf(stderr, "%s: %s.\n", programName, error.c_str());
    return kExitCannotServe;
  }
  if (options.udp)
    for (size_t i = 0; i < simulator.screenCount(); ++i)
      std::printf("udp %s:%u\n", platform::FormatIpv4(simulator.udpAddress(i)).c_str(),
                  static_cast<unsigned>(simulator.udpPort(i)));
  if (!simulator.terminalPath().empty())
    std::printf("serial %s\n", simulator.terminalPath().c_str());
  if (!options.serialPath.empty()) std::printf("serial %s\n", options.serialPath.c_str());
  std::fflush(stdout);
  if (onStarted) onStarted(simulator);

  constexpr uint32_t kWaitMs = 60000;
  while (stopRequest.WaitReadable(kWaitMs) == platform::WaitResult::TimedOut) {
  }
  simulator.Stop();
  return 0;
}

}  // namespace veltrane::sim
