// SPDX-License-Identifier: MIT
#include "fleet.h"

#include <chrono>
#include <cstdio>
#include <memory>

#include "api/last_error.h"
#include "commands.h"
#include "fleet_display.h"
#include "fleet_results.h"
#include "fleet_runner.h"
#include "fleet_uploads.h"
#include "platform/ipv4.h"
#include "platform/terminal.h"
#include "protocol/device_commands.h"
#include "protocol/upload.h"
#include "screen_commands.h"
#include "shared/input_file.h"
#include "warnings.h"

namespace veltrane::cli {
namespace {

std::string Decimal(int32_t value) { return std::to_string(value); }

std::string PowerWord(int32_t value) {
  return value == 0 ? "off" : value == 1 ? "on" : std::to_string(value);
}

// Keeps a screen's live line up with the packets it has acknowledged.
class ProgressCounter final : public protocol::UploadObserver {
 public:
  explicit ProgressCounter(TurnProgress& progress) : progress_(progress) {}
  void Acknowledged(uint32_t done, uint32_t total, size_t) override {
    progress_.packetsTotal = total;
    progress_.packetsDone = done;
  }

 private:
  TurnProgress& progress_;
};

// A sentence on stderr for each screen that could not even be tried, with the system's reason:
// the table only says "failed".
void SayWhyScreensFailed(const std::vector<tools::FleetScreen>& screens,
                         const std::vector<ScreenResult>& results) {
  for (size_t i = 0; i < screens.size(); ++i) {
    const Status status = results[i].outcome.status;
    if (ResultWord(status.code()) != "failed") continue;
    const link::Target& target = screens[i].target;
    const bool notOpened = status == Status::OsError || status == Status::WrongDevice;
    const std::string what = !notOpened ? screens[i].where
                             : target.transport == link::Transport::Serial
                                 ? "cannot open " + target.devicePath
                                 : "cannot bind a local UDP port for " + screens[i].where;
    SayError(DisplayName(screens[i]) + ": " + what + ": " + api::Describe(status).text);
  }
}

// Drives `turn` over the fleet and prints the results; the exit status.
int RunFleet(const FleetOptions& options, const ScreenTurn& turn,
             const ValueText& valueText = Decimal, const UdpLanesTurn& udpLanes = {}) {
  auto loaded = LoadFleet(options.file);
  if (const auto* error = std::get_if<std::string>(&loaded)) {
    SayError(*error);
    return kExitUsage;
  }
  const auto& screens = std::get<std::vector<tools::FleetScreen>>(loaded);
  std::vector<TurnProgress> progress(screens.size());
  const auto start = std::chrono::steady_clock::now();
  std::vector<ScreenResult> results;
  {
    std::unique_ptr<LiveDisplay> display;
    if (!options.json && platform::IsTerminal(stdout))
      display = std::make_unique<LiveDisplay>(screens, progress, stdout);
    results = DriveFleet(screens, options.jobs, turn, progress, udpLanes);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const size_t ok =
      static_cast<size_t>(std::count_if(results.begin(), results.end(), [](const auto& r) {
        return r.outcome.status == Status::Ok;
      }));
  if (options.json) {
    std::fputs(ResultJson(screens, results).c_str(), stdout);
  } else {
    std::fputs(ResultTable(screens, results, valueText).c_str(), stdout);
    std::printf("%zu of %zu screens ok in %.2f s\n", ok, screens.size(), seconds);
  }
  std::fflush(stdout);
  SayWhyScreensFailed(screens, results);
  if (ok < screens.size())
    SayError(std::to_string(screens.size() - ok) + " of " + std::to_string(screens.size()) +
             " screens did not succeed");
  return FleetExitStatus(results);
}

// A turn that sends one command with no value to read.
ScreenTurn CommandTurn(Status (*command)(const protocol::DeviceContext&, const link::Target&)) {
  return
      [command](const link::Target& target, const protocol::DeviceContext& devices, TurnProgress&) {
        return TurnOutcome{command(devices, target), std::nullopt};
      };
}

ScreenTurn QueryTurn(protocol::Reading (*query)(const protocol::DeviceContext&,
                                                const link::Target&)) {
  return
      [query](const link::Target& target, const protocol::DeviceContext& devices, TurnProgress&) {
        const protocol::Reading reading = query(devices, target);
        return TurnOutcome{reading.status, reading.value};
      };
}

ScreenTurn SetTurn(Status (*set)(const protocol::DeviceContext&, const link::Target&, int32_t),
                   int32_t value) {
  return [set, value](const link::Target& target, const protocol::DeviceContext& devices,
                      TurnProgress&) {
    return TurnOutcome{set(devices, target, value), {}};
  };
}

}  // namespace

std::variant<std::vector<tools::FleetScreen>, std::string> LoadFleet(
    const std::filesystem::path& file) {
  auto read = tools::ReadBoundedInput(file, {"a fleet file", tools::kMaxFleetFileBytes});
  if (auto* error = std::get_if<std::string>(&read)) return *error;
  const std::vector<uint8_t>& text = std::get<std::vector<uint8_t>>(read);
  auto parsed = tools::ParseFleetFile({reinterpret_cast<const char*>(text.data()), text.size()},
                                      platform::ResolveIpv4);
  if (const auto* error = std::get_if<tools::FleetFileError>(&parsed)) {
    const std::string where =
        error->line == 0 ? file.string() : file.string() + ":" + std::to_string(error->line);
    return where + ": " + error->message;
  }
  return std::get<std::vector<tools::FleetScreen>>(std::move(parsed));
}

int FleetPower(const FleetOptions& fleet, const std::optional<std::string>& state) {
  if (!state) return RunFleet(fleet, QueryTurn(protocol::DoGetPower), PowerWord);
  if (*state != "on" && *state != "off") {
    SayError("power: expected on or off, got \"" + *state + "\"");
    return kExitUsage;
  }
  return RunFleet(fleet, SetTurn(protocol::DoSetPower, *state == "on" ? 1 : 0));
}

int FleetBrightness(const FleetOptions& fleet, const std::optional<int32_t>& value) {
  if (BrightnessStops(value, fleet.strict)) return kExitUsage;
  if (!value) return RunFleet(fleet, QueryTurn(protocol::DoGetBright));
  return RunFleet(fleet, SetTurn(protocol::DoSetBright, *value));
}

int FleetReset(const FleetOptions& fleet) {
  return RunFleet(fleet, CommandTurn(protocol::DoReset));
}

int FleetSyncTime(const FleetOptions& fleet) {
  // Each screen is set to the time of its own turn, however long the fleet before it took.
  return RunFleet(
      fleet, [](const link::Target& target, const protocol::DeviceContext& devices, TurnProgress&) {
        return TurnOutcome{protocol::DoAdjustTime(devices, target, devices.clock.Local()), {}};
      });
}

int FleetSend(const FleetOptions& fleet, const std::filesystem::path& program) {
  const std::optional<std::vector<uint8_t>> checked = ProgramToSend(program, fleet.strict);
  if (!checked) return kExitUsage;
  const std::vector<uint8_t>& block = *checked;
  // Serial lines upload on threads of their own; UDP screens all from one thread that waits on
  // every socket at once.
  const ScreenTurn onLine = [&block](const link::Target& target,
                                     const protocol::DeviceContext& devices,
                                     TurnProgress& progress) {
    ProgressCounter counter(progress);
    return TurnOutcome{protocol::UploadProgram(devices, target, block, &counter), {}};
  };
  const UdpLanesTurn overUdp = [&block](const std::vector<tools::FleetScreen>& screens,
                                        const std::vector<std::vector<size_t>>& lanes, size_t jobs,
                                        std::vector<TurnProgress>& progress,
                                        std::vector<ScreenResult>& results) {
    UploadOverUdp(screens, lanes, block, jobs, progress, results);
  };
  return RunFleet(fleet, onLine, Decimal, overUdp);
}

}  // namespace veltrane::cli
