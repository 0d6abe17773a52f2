// SPDX-License-Identifier: MIT
#include "screen_commands.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <functional>
#include <mutex>

#include "api/last_error.h"
#include "commands.h"
#include "common/status_text.h"
#include "format/link.h"
#include "format/packets.h"
#include "platform/clock.h"
#include "platform/ipv4.h"
#include "platform/tools/terminal.h"
#include "program/program_reader.h"
#include "progress_bar.h"
#include "protocol/fleet.h"
#include "shared/refusal.h"
#include "shared/screen_words.h"
#include "shared/time_text.h"

namespace veltrane::cli {
namespace {

std::string Describe(const Connection& c) {
  if (!c.serial.empty()) return "the screen on " + c.serial;
  const bool portGiven = c.udp.find(':') != std::string::npos;
  return "the screen at " + (portGiven ? c.udp : c.udp + ":" + std::to_string(format::kScreenPort));
}

// The exit status for one screen's failure, with one sentence on stderr: where the command was
// talking, then the text the library's last error gives for the same status. A screen that
// answered an upload with a refusal is told apart from one that did not answer.
int OneScreenFailed(const protocol::Outcome& outcome, const Connection& connection,
                    const tools::FleetScreen& screen) {
  const Status status = outcome.status;
  if (status == Status::Refused && outcome.refusal) {
    // Counted from 1 among all the upload's packets; a data packet is also named by its
    // sequence number, as it goes on the wire.
    const uint32_t sequence = outcome.packetsDone;
    const std::string which = std::to_string(sequence + 1) + " of " +
                              std::to_string(outcome.packetsTotal) + ", status " +
                              std::to_string(*outcome.refusal);
    const std::string packet = sequence == 0 ? "the start packet (" + which + ")"
                               : sequence + 1 == outcome.packetsTotal
                                   ? "the end packet (" + which + ")"
                                   : "data packet " + std::to_string(sequence) + " (" + which + ")";
    SayError(Describe(connection) + " answered but refused " + packet +
             "; it did not take the program");
    return kExitScreen;
  }
  const std::string reason = ": " + api::Describe(status).text;
  switch (status) {
    case Status::Timeout:
      SayError(Describe(connection) + reason);
      return kExitScreen;
    case Status::OsError:
    case Status::WrongDevice:
      SayError(tools::NotOpenedText(screen.target) + reason);
      return kExitUsage;
    default:
      SayError(Describe(connection) + reason);
      return kExitUsage;
  }
}

// Shows the conversation on stderr for -v: each try with its receive window, and what each frame
// that arrived in it was ("accepted", "refused", "ignored").
class ConversationLog final : public protocol::ExchangeWatcher {
 public:
  explicit ConversationLog(int tries) : tries_(tries) {}

  void Tried(const protocol::PacketHeader& packet, int attempt, bool sent, size_t frameBytes,
             uint32_t windowMs) override {
    const std::string name = protocol::PacketName(packet.cmd, packet.value);
    if (sent)
      std::fprintf(stderr, "try %d of %d: sent %s (%zu bytes), waiting %" PRIu32 " ms\n", attempt,
                   tries_, name.c_str(), frameBytes, windowMs);
    else
      std::fprintf(stderr, "try %d of %d: %s (%zu bytes) could not be sent\n", attempt, tries_,
                   name.c_str(), frameBytes);
  }

  void Replied(protocol::ReplyKind kind, const protocol::ReplyHeader* reply) override {
    const char* verdict = kind == protocol::ReplyKind::Accepted  ? "accepted"
                          : kind == protocol::ReplyKind::Refused ? "refused"
                                                                 : "ignored";
    if (reply == nullptr) {
      std::fprintf(stderr, "reply: a frame that is no reply, %s\n", verdict);
      return;
    }
    // An upload packet's value is its sequence number, which its name gives.
    const std::string value = protocol::IsUploadCommand(reply->answeredCmd)
                                  ? ""
                                  : " with value " + std::to_string(reply->value);
    std::fprintf(stderr, "reply: address %u answers %s%s, status %u, %s\n", reply->devAddr,
                 protocol::PacketName(reply->answeredCmd, reply->value).c_str(), value.c_str(),
                 reply->status, verdict);
  }

 private:
  int tries_;
};

// The system's clock, keeping the local time it last told: what a screen's clock was set to.
class TimeKeepingClock final : public platform::Clock {
 public:
  uint32_t NowMs() override { return system_.NowMs(); }
  void SleepMs(uint32_t ms) override { system_.SleepMs(ms); }
  platform::LocalTime Local() override {
    std::lock_guard lock(mutex_);
    told_ = system_.Local();
    return told_;
  }
  platform::LocalTime told() {
    std::lock_guard lock(mutex_);
    return told_;
  }

 private:
  platform::Clock& system_ = platform::SystemClock();
  std::mutex mutex_;
  platform::LocalTime told_;
};

// The screens a subcommand talks to: the one the connection options name, or those of the fleet
// file that --only and --retry pick. Nothing (said on stderr) when they cannot be used.
std::optional<std::vector<tools::FleetScreen>> ChooseScreens(const ScreenChoice& choice) {
  if (choice.toFleet()) {
    auto picked = PickScreens(choice.fleet);
    if (!picked) {
      SayError(StatusText(picked.error()));
      return std::nullopt;
    }
    return *std::move(picked);
  }
  auto target = TargetFor(choice.connection);
  if (!target) {
    SayError(StatusText(target.error()));
    return std::nullopt;
  }
  tools::FleetScreen one;
  one.target = *std::move(target);
  one.where = tools::PlaceText(one.target);
  return std::vector{one};
}

// The run's policy: the fleet's jobs, the tries asked for, and for -v the conversation on stderr.
protocol::FleetPolicy PolicyFor(const ScreenChoice& choice, ConversationLog& log) {
  return {choice.fleet.jobs, choice.tries, choice.connection.verbose ? &log : nullptr};
}

// What a run of one subcommand produced.
struct RunResults {
  std::vector<tools::FleetScreen> screens;
  std::vector<protocol::ScreenResult> results;
  double seconds = 0;
};

// Runs `task` at the chosen screens through the engine: a fleet with a live line per screen when
// stderr is a terminal (unless -v writes there), one screen with `oneScreen` told of its
// progress; for -v, the conversation on stderr. Nothing when the screens cannot be chosen (said),
// or when
// --retry leaves none to run (said too).
std::optional<RunResults> RunTask(const ScreenChoice& choice, const protocol::FleetTask& task,
                                  platform::Clock& clock,
                                  protocol::FleetEvents* oneScreen = nullptr) {
  auto screens = ChooseScreens(choice);
  if (!screens) return std::nullopt;
  if (screens->empty()) {
    SayError("every screen in " + choice.fleet.retry + " succeeded: nothing to run again");
    return RunResults{};
  }
  ConversationLog log(choice.tries.tries);
  const protocol::FleetPolicy policy = PolicyFor(choice, log);
  const auto start = std::chrono::steady_clock::now();
  RunResults run{*std::move(screens), {}, 0};
  if (choice.toFleet()) {
    // Beside the results rather than in them, and not between -v's lines.
    const bool live = !choice.connection.verbose && platform::IsTerminal(stderr);
    run.results = DriveScreens(run.screens, task, policy, live, clock);
  } else {
    const std::vector<link::Target> one{run.screens[0].target};
    run.results = protocol::DriveFleet(one, task, policy, clock, oneScreen);
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return run;
}

std::string Decimal(int32_t value) { return std::to_string(value); }

// A query's value as the screen told it.
ValueWords Read(const ValueText& text, const std::function<nlohmann::json(int32_t)>& json) {
  return {text,
          [json](const protocol::ScreenResult& result) { return json(*result.outcome.value); }};
}

// A setting's value: what was set, the same for every screen.
ValueWords Set(nlohmann::json value) {
  return {Decimal, [value](const protocol::ScreenResult&) { return value; }};
}

// Runs `task` and reports it: for a fleet, ReportFleet; for one screen the same JSON with
// --json, else `succeeded(result)` prints what it did (and gives the exit status); a failure
// is one sentence on stderr either way.
template <class Succeeded>
int RunAndReport(const ScreenChoice& choice, const protocol::FleetTask& task,
                 const Reporting& reporting, const ValueWords& value, Succeeded succeeded,
                 platform::Clock& clock = platform::SystemClock(),
                 protocol::FleetEvents* oneScreen = nullptr) {
  const std::optional<RunResults> run = RunTask(choice, task, clock, oneScreen);
  if (!run) return kExitUsage;
  if (run->screens.empty()) return kExitOk;
  if (choice.toFleet())
    return ReportFleet(run->screens, run->results, reporting.json, run->seconds, value);
  const protocol::ScreenResult& result = run->results[0];
  if (reporting.json) {
    std::fputs(ResultJson(run->screens, run->results, value.json).c_str(), stdout);
    std::fflush(stdout);
  }
  if (result.outcome.status != Status::Ok)
    return OneScreenFailed(result.outcome, choice.connection, run->screens[0]);
  return reporting.json ? kExitOk : succeeded(result);
}

protocol::Request Ask(protocol::Command command, int32_t value = 0) { return {command, value, {}}; }

}  // namespace

Result<link::Target> TargetFor(const Connection& connection) {
  if (!connection.serial.empty() && !connection.udp.empty())
    return tools::Refusal("--udp and --serial cannot be used together: give one way to the screen");
  tools::ScreenWords words;
  words.transport = !connection.serial.empty() ? link::Transport::Serial
                    : !connection.udp.empty()  ? link::Transport::Udp
                                               : link::Transport::None;
  words.place = !connection.serial.empty() ? connection.serial : connection.udp;
  if (connection.baud) words.baud = std::to_string(*connection.baud);
  words.address = std::to_string(connection.address);
  words.localPort = connection.localPort;
  return tools::ScreenTarget(words, tools::WordsSource::CommandLine, platform::ResolveIpv4);
}

int Power(const ScreenChoice& screens, const std::optional<std::string>& state,
          const Reporting& reporting) {
  if (!state) {
    return RunAndReport(screens, Ask(protocol::Command::GetPower), reporting,
                        Read(PowerWord, PowerJson), [](const protocol::ScreenResult& result) {
                          std::printf("%s\n", PowerWord(*result.outcome.value).c_str());
                          return kExitOk;
                        });
  }
  if (*state != "on" && *state != "off") {
    SayError("power: expected on or off, got \"" + *state + "\"");
    return kExitUsage;
  }
  const int32_t value = *state == "on" ? 1 : 0;
  return RunAndReport(screens, Ask(protocol::Command::SetPower, value), reporting,
                      Set(PowerJson(value)), [&](const protocol::ScreenResult&) {
                        std::printf("power %s\n", state->c_str());
                        return kExitOk;
                      });
}

int Brightness(const ScreenChoice& screens, const std::optional<int32_t>& value,
               const Reporting& reporting) {
  if (BrightnessStops(value, reporting.strict)) return kExitUsage;
  if (!value) {
    const auto number = [](int32_t read) { return nlohmann::json(read); };
    return RunAndReport(screens, Ask(protocol::Command::GetBright), reporting,
                        Read(Decimal, number), [](const protocol::ScreenResult& result) {
                          std::printf("%d\n", *result.outcome.value);
                          return kExitOk;
                        });
  }
  return RunAndReport(screens, Ask(protocol::Command::SetBright, *value), reporting, Set(*value),
                      [&](const protocol::ScreenResult&) {
                        std::printf("brightness %d\n", *value);
                        return kExitOk;
                      });
}

int Reset(const ScreenChoice& screens, const Reporting& reporting) {
  return RunAndReport(screens, Ask(protocol::Command::Reset), reporting, Set(nullptr),
                      [](const protocol::ScreenResult&) {
                        std::printf("reset\n");
                        return kExitOk;
                      });
}

int SyncTime(const ScreenChoice& screens, const Reporting& reporting) {
  // Each screen is set to the time of its own turn, however long the fleet before it took, so
  // only one screen's time is known to say.
  TimeKeepingClock clock;
  const ValueWords told = {Decimal, [&](const protocol::ScreenResult&) {
                             return screens.toFleet()
                                        ? nlohmann::json()
                                        : nlohmann::json(tools::DateTimeText(clock.told()));
                           }};
  return RunAndReport(
      screens, Ask(protocol::Command::SetTime), reporting, told,
      [&](const protocol::ScreenResult&) {
        std::printf("clock set to %s\n", tools::DateTimeText(clock.told()).c_str());
        return kExitOk;
      },
      clock);
}

int ShowStatus(const ScreenChoice& screens, const Reporting& reporting) {
  const std::optional<RunResults> power =
      RunTask(screens, Ask(protocol::Command::GetPower), platform::SystemClock());
  if (!power) return kExitUsage;
  if (power->screens.empty()) return kExitOk;
  ConversationLog log(screens.tries.tries);
  const std::vector<protocol::ScreenResult> brightness = BrightnessOfAnswered(
      power->screens, power->results, PolicyFor(screens, log), platform::SystemClock());
  std::fputs((reporting.json ? StatusJson(power->screens, power->results, brightness)
                             : StatusTable(power->screens, power->results, brightness))
                 .c_str(),
             stdout);
  std::fflush(stdout);
  std::vector<protocol::ScreenResult> worse;
  for (size_t i = 0; i < brightness.size(); ++i)
    worse.push_back(Worse(power->results[i], brightness[i]));
  return FleetExitStatus(worse);
}

std::optional<std::string> ProgramSizeProblem(const std::vector<uint8_t>& block) {
  if (!block.empty() && block.size() <= format::kMaxProgramBytes) return std::nullopt;
  return "a program must hold 1 to " + std::to_string(format::kMaxProgramBytes) +
         " bytes, this one has " + std::to_string(block.size());
}

std::optional<std::vector<uint8_t>> ProgramToSend(const std::filesystem::path& file, bool strict) {
  // A program the reader finds broken would only be refused by the screen after its upload.
  Warnings warnings;
  CheckedProgram checked = LoadAndRead(file, warnings);
  if (!checked.read || !checked.read->ok()) return std::nullopt;
  CheckProgram(checked.read->program(), checked.block, platform::SystemClock().Local(), warnings);
  if (warnings.Report(strict)) return std::nullopt;
  if (const auto problem = ProgramSizeProblem(checked.block)) {
    SayError(*problem);
    return std::nullopt;
  }
  return std::move(checked.block);
}

int Send(const ScreenChoice& screens, const std::filesystem::path& program,
         const Reporting& reporting) {
  const std::optional<std::vector<uint8_t>> block = ProgramToSend(program, reporting.strict);
  return block ? Send(screens, *block, reporting) : kExitUsage;
}

int Send(const ScreenChoice& screens, const std::vector<uint8_t>& block,
         const Reporting& reporting) {
  if (const auto problem = ProgramSizeProblem(block)) {
    SayError(*problem);
    return kExitUsage;
  }
  ProgressBar progress(stderr, platform::SystemClock(), !screens.connection.verbose);
  return RunAndReport(
      screens, protocol::ProgramUpload{block}, reporting, Set(nullptr),
      [&](const protocol::ScreenResult& result) {
        std::printf("sent %zu bytes in %u packets in %.2f s (%.1f KiB/s)\n", block.size(),
                    result.outcome.packetsDone, progress.Seconds(),
                    block.size() / 1024.0 / std::max(progress.Seconds(), 1e-6));
        return kExitOk;
      },
      platform::SystemClock(), &progress);
}

}  // namespace veltrane::cli
