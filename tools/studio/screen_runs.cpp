#include "screen_runs.h"

#include <chrono>

#include "api/last_error.h"
#include "fleet_runner.h"
#include "protocol/device_commands.h"
#include "protocol/upload.h"

namespace veltrane::studio {
namespace {

// A screen's turn, told which screen of the run it is by its progress entry (the runner hands
// each turn its own screen's entry of the list it was given).
class Turns {
 public:
  Turns(const ScreenJob& job, const ScreenProgress& progress, const std::atomic<bool>& cancel,
        std::vector<cli::TurnProgress>& entries, std::vector<ScreenOutcome>& outcomes)
      : job_(job), progress_(progress), cancel_(cancel), entries_(entries), outcomes_(outcomes) {}

  cli::TurnOutcome operator()(const link::Target& target, const protocol::DeviceContext& devices,
                              cli::TurnProgress& entry) const {
    const size_t screen = static_cast<size_t>(&entry - entries_.data());
    ScreenOutcome& outcome = outcomes_[screen];  // written by this screen's turn alone
    if (cancel_) {
      outcome.cancelled = true;
      return {Status::Ok, std::nullopt};
    }
    if (job_.kind == ScreenJob::Send)
      return {Upload(target, devices, screen, outcome), std::nullopt};
    // A command is one exchange: its progress is whether the screen has answered it yet.
    Report(screen, 0, 1);
    const Status status = Command(target, devices, outcome);
    if (status == Status::Ok) Report(screen, 1, 1);
    return {status, std::nullopt};
  }

 private:
  void Report(size_t screen, uint32_t done, uint32_t total) const {
    if (progress_) progress_(screen, done, total);
  }

  Status Command(const link::Target& target, const protocol::DeviceContext& devices,
                 ScreenOutcome& outcome) const {
    switch (job_.kind) {
      case ScreenJob::PowerOn:
      case ScreenJob::PowerOff:
        return protocol::DoSetPower(devices, target, job_.kind == ScreenJob::PowerOn ? 1 : 0);
      case ScreenJob::SetBrightness:
        return protocol::DoSetBright(devices, target, job_.brightness);
      case ScreenJob::SetClock:
        return protocol::DoAdjustTime(devices, target, devices.clock.Local());
      case ScreenJob::ReadStatus:
        return ReadStatus(target, devices, outcome);
      case ScreenJob::Send:
        break;
    }
    return Status::BadArgument;
  }

  // Reports each acknowledged packet to the run's progress and keeps the last count.
  class Counter final : public protocol::UploadObserver {
   public:
    Counter(const ScreenProgress& progress, size_t screen, ScreenOutcome& outcome)
        : progress_(progress), screen_(screen), outcome_(outcome) {}
    void Acknowledged(uint32_t done, uint32_t total, size_t bytes) override {
      outcome_.packetsDone = done;
      outcome_.packetsTotal = total;
      outcome_.bytes = bytes;
      if (progress_) progress_(screen_, done, total);
    }

   private:
    const ScreenProgress& progress_;
    size_t screen_;
    ScreenOutcome& outcome_;
  };

  Status Upload(const link::Target& target, const protocol::DeviceContext& devices, size_t screen,
                ScreenOutcome& outcome) const {
    Counter counter(progress_, screen, outcome);
    return protocol::UploadProgram(devices, target, job_.program, &counter);
  }

  static Status ReadStatus(const link::Target& target, const protocol::DeviceContext& devices,
                           ScreenOutcome& outcome) {
    const protocol::Reading power = protocol::DoGetPower(devices, target);
    if (power.status != Status::Ok) return power.status;
    outcome.power = power.value;
    const protocol::Reading brightness = protocol::DoGetBright(devices, target);
    if (brightness.status == Status::Ok) outcome.brightness = brightness.value;
    return brightness.status;
  }

  const ScreenJob& job_;
  const ScreenProgress& progress_;
  const std::atomic<bool>& cancel_;
  std::vector<cli::TurnProgress>& entries_;
  std::vector<ScreenOutcome>& outcomes_;
};

}  // namespace

std::vector<ScreenOutcome> RunScreens(const std::vector<ScreenTarget>& screens,
                                      const ScreenJob& job, const ScreenProgress& progress,
                                      const std::atomic<bool>& cancel) {
  std::vector<cli::TurnProgress> entries(screens.size());
  std::vector<ScreenOutcome> outcomes(screens.size());
  const std::vector<cli::ScreenResult> results =
      cli::DriveFleet(screens, 0, Turns(job, progress, cancel, entries, outcomes), entries);
  for (size_t i = 0; i < screens.size(); ++i) {
    ScreenOutcome& outcome = outcomes[i];
    const api::ErrorReport report = api::Describe(results[i].outcome.status);
    outcome.error = outcome.cancelled ? VELTRANE_ERROR_NONE : report.code;
    outcome.why = outcome.cancelled ? std::string() : report.text;
    outcome.ms = static_cast<uint32_t>(results[i].seconds * 1000);
  }
  return outcomes;
}

}  // namespace veltrane::studio
