// SPDX-License-Identifier: MIT
// The fleet exports: shims that check their arguments, take a run on the fleet from the
// Library's table and hand the screens to the multiplexed driver, then write one result per
// screen. As in exports.cpp, nothing escapes a shim and each leaves the last error.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "api/dev_param.h"
#include "api/fleet_table.h"
#include "api/guarded.h"
#include "api/last_error.h"
#include "api/library.h"
#include "api/program_sender.h"
#include "common/busy_count.h"
#include "protocol/fleet.h"
#include "veltrane/veltrane.h"

namespace {

using veltrane::Status;
using veltrane::api::ClearLastError;
using veltrane::api::FleetTable;
using veltrane::api::Guarded;
using veltrane::api::SetLastError;
using veltrane::api::TheLibrary;
namespace protocol = veltrane::protocol;

constexpr int32_t kNotRun = -1;

// A run's policy from the host's options (all 0 for none); nothing when a field is out of range.
std::optional<protocol::FleetPolicy> PolicyOf(const LedFleetOptions* options) {
  protocol::FleetPolicy policy;
  if (options == nullptr) return policy;
  if (options->jobs < 0 || options->jobs > VELTRANE_FLEET_MAX_SCREENS || options->tries < 0 ||
      options->tries > protocol::kMaxTries || options->windowMs < 0 ||
      static_cast<uint32_t>(options->windowMs) > protocol::kMaxWindowMs)
    return std::nullopt;
  policy.jobs = static_cast<size_t>(options->jobs);
  if (options->tries != 0) policy.tries.tries = options->tries;
  policy.tries.windowMs = static_cast<uint32_t>(options->windowMs);
  return policy;
}

// Hands the run's progress to the host's callback: as packets are acknowledged, and once at each
// screen's end.
class ProgressToHost final : public protocol::FleetEvents {
 public:
  explicit ProgressToHost(const LedFleetOptions* options)
      : progress_(options != nullptr ? options->progress : nullptr),
        context_(options != nullptr ? options->context : nullptr) {}

  void Started(size_t) override {}
  void Progressed(size_t screen, const protocol::Progress& progress) override {
    Tell(screen, progress.done, progress.total);
  }
  void Finished(size_t screen, const protocol::ScreenResult& result) override {
    Tell(screen, result.outcome.packetsDone, result.outcome.packetsTotal);
  }

 private:
  void Tell(size_t screen, uint32_t done, uint32_t total) {
    if (progress_ != nullptr) progress_(static_cast<int32_t>(screen), done, total, context_);
  }

  LedFleetProgress progress_;
  void* context_;
};

uint32_t Clamped(size_t value) {
  return static_cast<uint32_t>(std::min<size_t>(value, std::numeric_limits<uint32_t>::max()));
}

// Writes the results for the host and the last error: cleared when every screen succeeded, else
// the first failure's, told of its screen (`screens`, in the order of the results). The count of
// screens that succeeded.
int32_t Report(const std::vector<protocol::ScreenResult>& results,
               const std::vector<DevParam>& screens, LedFleetResult* out) {
  int32_t succeeded = 0;
  std::optional<size_t> firstFailure;
  for (size_t i = 0; i < results.size(); ++i) {
    const protocol::Outcome& outcome = results[i].outcome;
    const bool ok = outcome.status == Status::Ok;
    out[i] = {veltrane::api::Describe(outcome.status).code,
              ok ? outcome.value.value_or(-1) : -1,
              outcome.packetsDone,
              outcome.packetsTotal,
              Clamped(outcome.bytesDone),
              results[i].milliseconds};
    succeeded += ok ? 1 : 0;
    if (!ok && !firstFailure) firstFailure = i;
  }
  if (firstFailure)
    SetLastError(screens[*firstFailure], results[*firstFailure].outcome.status);
  else
    ClearLastError();
  return succeeded;
}

// Why a fleet cannot be run or closed, as the host is told.
int32_t Refused(FleetTable::Refusal refusal, int32_t failure) {
  if (refusal == FleetTable::Refusal::Busy)
    SetLastError(VELTRANE_ERROR_BUSY, "a run is in progress on that fleet");
  else
    SetLastError(VELTRANE_ERROR_BAD_ARGUMENT, "no fleet of that number is open");
  return failure;
}

int32_t BadArgument(const char* text, int32_t failure) {
  SetLastError(VELTRANE_ERROR_BAD_ARGUMENT, text);
  return failure;
}

// What a run does, decided once the run is sure to happen: a task for every screen; a status
// that stops it before anything is sent (the results untouched); or every screen's result
// without trying any.
using Prepared = std::variant<protocol::FleetTask, Status, std::vector<protocol::ScreenResult>>;

// Runs what `prepare(library, screenCount)` decides at every screen of the fleet.
template <class Prepare>
int32_t RunFleet(int32_t fleet, const LedFleetOptions* options, LedFleetResult* results,
                 Prepare prepare) {
  if (results == nullptr) return BadArgument("no room for the results", kNotRun);
  const std::optional<protocol::FleetPolicy> policy = PolicyOf(options);
  if (!policy) return BadArgument("a fleet option is out of range", kNotRun);
  veltrane::api::Library& library = TheLibrary();
  auto begun = library.fleets().Begin(fleet);
  if (const auto* refusal = std::get_if<FleetTable::Refusal>(&begun))
    return Refused(*refusal, kNotRun);
  const FleetTable::Run& run = std::get<FleetTable::Run>(begun);
  veltrane::BusyScope busy(library.busy());
  const Prepared prepared = prepare(library, run.screens().size());
  if (const auto* stopped = std::get_if<Status>(&prepared)) {
    SetLastError(*stopped);
    return kNotRun;
  }
  if (const auto* decided = std::get_if<std::vector<protocol::ScreenResult>>(&prepared))
    return Report(*decided, run.screens(), results);
  std::vector<veltrane::link::Target> targets;
  for (const DevParam& screen : run.screens())
    targets.push_back(veltrane::api::ToTarget(screen, library.comPorts()));
  ProgressToHost progress(options);
  return Report(protocol::DriveFleet(targets, std::get<protocol::FleetTask>(prepared), *policy,
                                     library.clock(), &progress, &run.cancel()),
                run.screens(), results);
}

std::optional<protocol::Request> RequestOf(int32_t command, int32_t value) {
  switch (command) {
    case VELTRANE_FLEET_SET_POWER:
      return protocol::Request{protocol::Command::SetPower, value, {}};
    case VELTRANE_FLEET_GET_POWER:
      return protocol::Request{protocol::Command::GetPower, 0, {}};
    case VELTRANE_FLEET_SET_BRIGHT:
      return protocol::Request{protocol::Command::SetBright, value, {}};
    case VELTRANE_FLEET_GET_BRIGHT:
      return protocol::Request{protocol::Command::GetBright, 0, {}};
    case VELTRANE_FLEET_RESET:
      return protocol::Request{protocol::Command::Reset, 0, {}};
    case VELTRANE_FLEET_ADJUST_TIME:
      return protocol::Request{protocol::Command::SetTime, 0, {}};
    default:
      return std::nullopt;
  }
}

// Every screen's result when sending is switched off: nothing was sent.
std::vector<protocol::ScreenResult> NothingSent(size_t count) {
  protocol::ScreenResult result;
  result.outcome.status = veltrane::api::kSendingSwitchedOff;
  return std::vector<protocol::ScreenResult>(count, result);
}

}  // namespace

extern "C" {

VELTRANE_API int32_t VELTRANE_CALL LED_FleetOpen(const DevParam* screens, int32_t count) {
  return Guarded(0, [&] {
    if (screens == nullptr || count < 1 || count > VELTRANE_FLEET_MAX_SCREENS)
      return BadArgument("a fleet holds 1 to 4096 screens", 0);
    const int32_t fleet =
        TheLibrary().fleets().Open(std::span(screens, static_cast<size_t>(count)));
    if (fleet == 0) return BadArgument("256 fleets are open already: close one first", 0);
    ClearLastError();
    return fleet;
  });
}

VELTRANE_API int32_t VELTRANE_CALL LED_FleetClose(int32_t fleet) {
  return Guarded(0, [&] {
    if (const auto refusal = TheLibrary().fleets().Close(fleet)) return Refused(*refusal, 0);
    ClearLastError();
    return 1;
  });
}

VELTRANE_API int32_t VELTRANE_CALL LED_FleetSend(int32_t fleet, int32_t slot,
                                                 const LedFleetOptions* options,
                                                 LedFleetResult* results) {
  return Guarded(kNotRun, [&] {
    std::vector<uint8_t> program;  // outlives the run
    return RunFleet(
        fleet, options, results, [&](veltrane::api::Library& library, size_t screens) -> Prepared {
          if (Status taken = library.slots().TakeProgram(slot, program); taken != Status::Ok)
            return taken;
          // With sending off the program still leaves its slot.
          if (library.switches().senderEnabled.load() == 0) return NothingSent(screens);
          return protocol::FleetTask{protocol::ProgramUpload{program}};
        });
  });
}

VELTRANE_API int32_t VELTRANE_CALL LED_FleetCommand(int32_t fleet, int32_t command, int32_t value,
                                                    const LedFleetOptions* options,
                                                    LedFleetResult* results) {
  return Guarded(kNotRun, [&] {
    const std::optional<protocol::Request> request = RequestOf(command, value);
    if (!request) return BadArgument("no fleet command of that number", kNotRun);
    return RunFleet(fleet, options, results, [&](veltrane::api::Library&, size_t) -> Prepared {
      return protocol::FleetTask{*request};
    });
  });
}

VELTRANE_API int32_t VELTRANE_CALL LED_FleetCancel(int32_t fleet) {
  return Guarded(0, [&] {
    bool open = false;
    const bool cancelled = TheLibrary().fleets().Cancel(fleet, open);
    if (!open) return Refused(FleetTable::Refusal::NotOpen, 0);
    ClearLastError();
    return cancelled ? 1 : 0;
  });
}

}  // extern "C"
