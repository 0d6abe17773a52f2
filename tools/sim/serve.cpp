#include "sim/serve.h"

#include <cstdio>

#include "platform/ipv4.h"
#include "platform/process_limits.h"
#include "platform/wakeup.h"

namespace veltrane::sim {

int ServeUntilSignalled(const SimulatorOptions& options, const char* programName,
                        const std::function<void(Simulator&)>& onStarted) {
  // Blocked before the serving thread starts, so that only this thread sees the signals.
  platform::StopRequest stopRequest;
  const bool watchingStops = stopRequest.Open() == Status::Ok;
  // A socket for each screen, beside the serving thread's own handles.
  constexpr size_t kSpareHandles = 64;
  platform::RaiseOpenHandleLimit(options.screens + kSpareHandles);
  Simulator simulator(options);
  std::string error;
  if (!watchingStops || !simulator.Start(error)) {
    std::fprintf(stderr, "%s: %s.\n", programName,
                 error.empty() ? "cannot watch for SIGINT and SIGTERM" : error.c_str());
    return 1;
  }
  if (options.udp)
    for (size_t i = 0; i < simulator.screenCount(); ++i)
      std::printf("udp %s:%u\n", platform::FormatIpv4(options.udpAddress).c_str(),
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
