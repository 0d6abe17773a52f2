// SPDX-License-Identifier: MIT
#include "screen_runs.h"

#include "api/last_error.h"
#include "fleet.h"
#include "platform/clock.h"
#include "protocol/fleet.h"

namespace veltrane::studio {
namespace {

// Hands the engine's news of each screen to the run's progress.
class ProgressEvents final : public protocol::FleetEvents {
 public:
  explicit ProgressEvents(const ScreenProgress& progress) : progress_(progress) {}

  void Started(size_t screen) override { Report(screen, 0, 0); }
  void Progressed(size_t screen, const protocol::Progress& progress) override {
    Report(screen, progress.done, progress.total);
  }
  void Finished(size_t screen, const protocol::ScreenResult& result) override {
    Report(screen, result.outcome.packetsDone, result.outcome.packetsTotal);
  }

 private:
  void Report(size_t screen, uint32_t done, uint32_t total) const {
    if (progress_) progress_(screen, done, total);
  }

  const ScreenProgress& progress_;
};

protocol::Request Ask(protocol::Command command, int32_t value = 0) { return {command, value, {}}; }

// What the engine does at every screen for `job`; a status run asks the power first.
protocol::FleetTask TaskFor(const ScreenJob& job) {
  switch (job.kind) {
    case ScreenJob::Send:
      return protocol::ProgramUpload{job.program};
    case ScreenJob::PowerOn:
      return Ask(protocol::Command::SetPower, 1);
    case ScreenJob::PowerOff:
      return Ask(protocol::Command::SetPower, 0);
    case ScreenJob::SetBrightness:
      return Ask(protocol::Command::SetBright, job.brightness);
    case ScreenJob::SetClock:
      return Ask(protocol::Command::SetTime);
    case ScreenJob::ReadStatus:
      break;
  }
  return Ask(protocol::Command::GetPower);
}

ScreenOutcome OutcomeOf(const protocol::ScreenResult& result) {
  const protocol::Outcome& outcome = result.outcome;
  ScreenOutcome told;
  told.status = outcome.status.code();
  if (outcome.status != Status::Ok && outcome.status != Status::Cancelled)
    told.why = api::Describe(outcome.status).text;
  told.packetsDone = outcome.packetsDone;
  told.packetsTotal = outcome.packetsTotal;
  told.bytes = outcome.bytesDone;
  told.ms = result.milliseconds;
  return told;
}

}  // namespace

std::vector<ScreenOutcome> RunScreens(const std::vector<ScreenTarget>& screens,
                                      const ScreenJob& job, const ScreenProgress& progress,
                                      const protocol::CancelFlag& cancel) {
  std::vector<link::Target> targets;
  for (const ScreenTarget& screen : screens) targets.push_back(screen.target);
  ProgressEvents events(progress);
  platform::Clock& clock = platform::SystemClock();
  const protocol::FleetPolicy policy;
  const std::vector<protocol::ScreenResult> results =
      protocol::DriveFleet(targets, TaskFor(job), policy, clock, &events, &cancel);
  std::vector<ScreenOutcome> outcomes;
  for (const protocol::ScreenResult& result : results) outcomes.push_back(OutcomeOf(result));
  if (job.kind != ScreenJob::ReadStatus) return outcomes;
  const std::vector<protocol::ScreenResult> brightness =
      cli::BrightnessOfAnswered(screens, results, policy, clock, &cancel);
  for (size_t i = 0; i < screens.size(); ++i) {
    if (results[i].outcome.status != Status::Ok) continue;
    outcomes[i] = OutcomeOf(brightness[i]);
    outcomes[i].ms += results[i].milliseconds;
    outcomes[i].power = results[i].outcome.value;
    outcomes[i].brightness = brightness[i].outcome.value;
  }
  return outcomes;
}

}  // namespace veltrane::studio
