// SPDX-License-Identifier: MIT
#include "fleet.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <tuple>

#include "api/last_error.h"
#include "commands.h"
#include "common/status_text.h"
#include "fleet_display.h"
#include "platform/ipv4.h"
#include "platform/tools/terminal.h"
#include "shared/input_file.h"
#include "shared/refusal.h"
#include "shared/retry_file.h"
#include "shared/screen_words.h"

namespace veltrane::cli {
namespace {

using ScreenKey = std::tuple<std::string, int32_t>;  // where, address

ScreenKey KeyOf(const tools::FleetScreen& screen) { return {screen.where, screen.target.devAddr}; }

// The screens an earlier result says did not succeed, or why the file cannot say.
Result<std::set<ScreenKey>> FailedEarlier(const std::string& file) {
  auto read =
      tools::ReadBoundedInput(file, {"an earlier --json result", tools::kMaxRetryFileBytes});
  if (!read) return Failure(read.error());
  auto parsed = tools::ParseRetryFile({reinterpret_cast<const char*>(read->data()), read->size()});
  if (!parsed) return tools::Refusal(file + ": " + StatusText(parsed.error()));
  std::set<ScreenKey> failed;
  for (const tools::EarlierResult& entry : *parsed)
    if (!entry.succeeded) failed.insert({entry.target, entry.address});
  return failed;
}

// Keeps the live display's model up with the run.
class LiveProgress final : public protocol::FleetEvents {
 public:
  explicit LiveProgress(std::vector<TurnProgress>& progress) : progress_(progress) {}
  void Started(size_t screen) override { progress_[screen].phase = TurnProgress::Running; }
  void Progressed(size_t screen, const protocol::Progress& progress) override {
    progress_[screen].packetsTotal = progress.total;
    progress_[screen].packetsDone = progress.done;
  }
  void Finished(size_t screen, const protocol::ScreenResult& result) override {
    progress_[screen].status = result.outcome.status.code();
    progress_[screen].phase = TurnProgress::Done;
  }

 private:
  std::vector<TurnProgress>& progress_;
};

// A sentence on stderr for each screen that could not even be tried, with the system's reason:
// the table only says "failed".
void SayWhyScreensFailed(const std::vector<tools::FleetScreen>& screens,
                         const std::vector<protocol::ScreenResult>& results) {
  for (size_t i = 0; i < screens.size(); ++i) {
    const Status status = results[i].outcome.status;
    if (ResultWord(status.code()) != "failed") continue;
    const bool notOpened = status == Status::OsError || status == Status::WrongDevice;
    const std::string what = notOpened ? tools::NotOpenedText(screens[i].target) : screens[i].where;
    SayError(DisplayName(screens[i]) + ": " + what + ": " + api::Describe(status).text);
  }
}

}  // namespace

Result<std::vector<tools::FleetScreen>> LoadFleet(const std::filesystem::path& file) {
  auto read = tools::ReadBoundedInput(file, {"a fleet file", tools::kMaxFleetFileBytes});
  if (!read) return Failure(read.error());
  return tools::ParseFleetFile({reinterpret_cast<const char*>(read->data()), read->size()},
                               file.string(), platform::ResolveIpv4);
}

Result<std::vector<tools::FleetScreen>> PickScreens(const FleetOptions& options) {
  auto loaded = LoadFleet(options.file);
  if (!loaded) return loaded;
  std::vector<tools::FleetScreen> screens = *loaded;
  const auto named = [&](const std::string& name) {
    return std::any_of(screens.begin(), screens.end(),
                       [&](const auto& s) { return s.name == name; });
  };
  for (const std::string& name : options.only)
    if (!named(name))
      return tools::Refusal("--only: " + options.file + " has no screen named \"" + name + "\"");
  if (!options.only.empty())
    std::erase_if(screens, [&](const tools::FleetScreen& screen) {
      return std::find(options.only.begin(), options.only.end(), screen.name) == options.only.end();
    });
  if (options.retry.empty()) return screens;
  auto failed = FailedEarlier(options.retry);
  if (!failed) return tools::Refusal("--retry: " + StatusText(failed.error()));
  const std::set<ScreenKey>& again = *failed;
  std::set<ScreenKey> known;
  for (const tools::FleetScreen& screen : *loaded) known.insert(KeyOf(screen));
  for (const auto& [where, address] : again)
    if (!known.contains({where, address}))
      return tools::Refusal("--retry: " + options.retry + " names a screen " + options.file +
                            " does not have: " + where + " address " + std::to_string(address));
  std::erase_if(screens, [&](const auto& screen) { return !again.contains(KeyOf(screen)); });
  return screens;
}

std::vector<protocol::ScreenResult> DriveScreens(const std::vector<tools::FleetScreen>& screens,
                                                 const protocol::FleetTask& task,
                                                 const protocol::FleetPolicy& policy, bool live,
                                                 platform::Clock& clock) {
  std::vector<link::Target> targets;
  for (const tools::FleetScreen& screen : screens) targets.push_back(screen.target);
  std::vector<TurnProgress> progress(screens.size());
  LiveProgress events(progress);
  std::unique_ptr<LiveDisplay> display;
  if (live) display = std::make_unique<LiveDisplay>(screens, progress, stderr);
  return protocol::DriveFleet(targets, task, policy, clock, &events);
}

std::vector<protocol::ScreenResult> BrightnessOfAnswered(
    const std::vector<tools::FleetScreen>& screens,
    const std::vector<protocol::ScreenResult>& power, const protocol::FleetPolicy& policy,
    platform::Clock& clock, const protocol::CancelFlag* cancel) {
  std::vector<protocol::ScreenResult> brightness = power;
  std::vector<size_t> asked;
  std::vector<link::Target> targets;
  for (size_t i = 0; i < screens.size(); ++i)
    if (power[i].outcome.status == Status::Ok) {
      asked.push_back(i);
      targets.push_back(screens[i].target);
    }
  if (asked.empty()) return brightness;
  const protocol::Request ask{protocol::Command::GetBright, 0, {}};
  const auto read = protocol::DriveFleet(targets, ask, policy, clock, nullptr, cancel);
  for (size_t k = 0; k < asked.size(); ++k) brightness[asked[k]] = read[k];
  return brightness;
}

int ReportFleet(const std::vector<tools::FleetScreen>& screens,
                const std::vector<protocol::ScreenResult>& results, bool json, double seconds,
                const ValueWords& value) {
  const size_t ok =
      static_cast<size_t>(std::count_if(results.begin(), results.end(), [](const auto& r) {
        return r.outcome.status == Status::Ok;
      }));
  if (json) {
    std::fputs(ResultJson(screens, results, value.json).c_str(), stdout);
  } else {
    std::fputs(ResultTable(screens, results, value.text).c_str(), stdout);
    std::printf("%zu of %zu screens ok in %.2f s\n", ok, screens.size(), seconds);
  }
  std::fflush(stdout);
  SayWhyScreensFailed(screens, results);
  if (ok < screens.size())
    SayError(std::to_string(screens.size() - ok) + " of " + std::to_string(screens.size()) +
             " screens did not succeed");
  return FleetExitStatus(results);
}

}  // namespace veltrane::cli
