// SPDX-License-Identifier: MIT
#include "screen_commands.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>

#include "api/last_error.h"
#include "commands.h"
#include "common/busy_count.h"
#include "format/link.h"
#include "format/packets.h"
#include "json_output.h"
#include "platform/clock.h"
#include "platform/ipv4.h"
#include "platform/terminal.h"
#include "program/program_reader.h"
#include "protocol/device_commands.h"
#include "protocol/upload.h"
#include "shared/time_text.h"
#include "shared/udp_endpoint.h"

namespace veltrane::cli {
namespace {

std::string Describe(const Connection& c) {
  if (!c.serial.empty()) return "the screen on " + c.serial;
  const bool portGiven = c.udp.find(':') != std::string::npos;
  return "the screen at " + (portGiven ? c.udp : c.udp + ":" + std::to_string(format::kScreenPort));
}

// The exit status for a command's outcome, with one sentence on stderr for a failure: where the
// command was talking, then the text the library's last error gives for the same status.
int Outcome(Status status, const Connection& connection) {
  if (status == Status::Ok) return kExitOk;
  const std::string reason = ": " + api::Describe(status).text;
  switch (status) {
    case Status::Timeout:
      SayError(Describe(connection) + reason);
      return kExitScreen;
    case Status::OsError:
    case Status::WrongDevice:
      SayError((connection.serial.empty()
                    ? "cannot bind local UDP port " + std::to_string(connection.localPort)
                    : "cannot open " + connection.serial) +
               reason);
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
  void Tried(int attempt, bool sent, size_t frameBytes, uint32_t windowMs) override {
    if (sent)
      std::fprintf(stderr, "try %d of %d: sent %zu bytes, waiting %" PRIu32 " ms\n", attempt,
                   protocol::kTries, frameBytes, windowMs);
    else
      std::fprintf(stderr, "try %d of %d: the %zu bytes could not be sent\n", attempt,
                   protocol::kTries, frameBytes);
  }

  void Replied(protocol::ReplyKind kind, const protocol::ReplyHeader* reply) override {
    const char* verdict = kind == protocol::ReplyKind::Accepted  ? "accepted"
                          : kind == protocol::ReplyKind::Refused ? "refused"
                                                                 : "ignored";
    if (reply == nullptr) {
      std::fprintf(stderr, "reply: a frame that is no reply, %s\n", verdict);
      return;
    }
    std::fprintf(stderr,
                 "reply: address %u answers command 0x%04X with value %" PRIu32 ", status %u, %s\n",
                 reply->devAddr, reply->answeredCmd, reply->value, reply->status, verdict);
  }
};

// Draws "[#####.....] 3/12 packets, 1.0 KiB, 512.0 KiB/s" on a terminal line.
class ProgressBar final : public protocol::UploadObserver {
 public:
  explicit ProgressBar(bool draw) : draw_(draw), start_(std::chrono::steady_clock::now()) {}

  void Acknowledged(uint32_t done, uint32_t total, size_t bytes) override {
    packets_ = done;
    bytes_ = bytes;
    if (!draw_) return;
    constexpr int kWidth = 30;
    const int filled = total == 0 ? kWidth : static_cast<int>(int64_t{kWidth} * done / total);
    std::printf("\r[%s%s] %u/%u packets, %.1f KiB, %.1f KiB/s", std::string(filled, '#').c_str(),
                std::string(kWidth - filled, '.').c_str(), done, total, bytes / 1024.0,
                bytes / 1024.0 / std::max(Seconds(), 1e-6));
    std::fflush(stdout);
  }

  void Refused(uint32_t sequence, uint32_t packetsTotal, uint16_t status) override {
    refused_ = Refusal{sequence, packetsTotal, status};
  }

  void Finish() {
    if (draw_ && packets_ > 0) std::printf("\n");
  }
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }
  uint32_t packets() const { return packets_; }
  size_t bytes() const { return bytes_; }

  // What the screen refused, when the upload ended so, in the words of the upload's packets:
  // "data packet 2 (3 of 12, status 0)", or "the end packet (12 of 12, status 0)".
  std::optional<std::string> RefusalText() const {
    if (!refused_) return std::nullopt;
    const auto [sequence, total, status] = *refused_;
    // Counted from 1 among all the upload's packets; a data packet is also named by its
    // sequence number, as it goes on the wire.
    const std::string which = std::to_string(sequence + 1) + " of " + std::to_string(total) +
                              ", status " + std::to_string(status);
    if (sequence == 0) return "the start packet (" + which + ")";
    if (sequence + 1 == total) return "the end packet (" + which + ")";
    return "data packet " + std::to_string(sequence) + " (" + which + ")";
  }

 private:
  struct Refusal {
    uint32_t sequence = 0;
    uint32_t total = 0;
    uint16_t status = 0;
  };
  bool draw_;
  std::chrono::steady_clock::time_point start_;
  uint32_t packets_ = 0;
  size_t bytes_ = 0;
  std::optional<Refusal> refused_;
};

// Uploads `block`, reporting progress; the status of the upload.
Status Upload(const protocol::DeviceContext& devices, const link::Target& target,
              const std::vector<uint8_t>& block, ProgressBar& progress) {
  const Status status = protocol::UploadProgram(devices, target, block, &progress);
  progress.Finish();
  if (status == Status::Ok) {
    std::printf("sent %zu bytes in %u packets in %.2f s (%.1f KiB/s)\n", block.size(),
                progress.packets(), progress.Seconds(),
                block.size() / 1024.0 / std::max(progress.Seconds(), 1e-6));
  }
  return status;
}

// The exit status of an upload, with one sentence on stderr for a failure. A screen that
// answered with a refusal is told apart from one that did not answer.
int UploadOutcome(Status status, const Connection& connection, const ProgressBar& progress) {
  if (const auto refusal = progress.RefusalText(); status == Status::Refused && refusal) {
    SayError(Describe(connection) + " answered but refused " + *refusal +
             "; it did not take the program");
    return kExitScreen;
  }
  return Outcome(status, connection);
}

// Runs `command(target, devices)` for the target the options name, on the system's clock with a
// busy count nobody waits on; with -v, every try and reply is shown on stderr.
template <class Command>
int WithTarget(const Connection& connection, Command command) {
  auto target = TargetFor(connection);
  if (auto* error = std::get_if<std::string>(&target)) {
    SayError(*error);
    return kExitUsage;
  }
  BusyCount busy;
  ConversationLog log;
  return command(
      std::get<link::Target>(target),
      protocol::DeviceContext{platform::SystemClock(), busy, connection.verbose ? &log : nullptr});
}

}  // namespace

std::variant<link::Target, std::string> TargetFor(const Connection& connection) {
  link::Target target;
  target.devAddr = static_cast<uint8_t>(connection.address);
  if (connection.address < 0 || connection.address > 255)
    return "--address: expected 0..255, got " + std::to_string(connection.address);
  if (!connection.serial.empty() && !connection.udp.empty())
    return "--udp and --serial cannot be used together: give one way to the screen";
  if (!connection.serial.empty()) {
    if (connection.baud) {  // else the target's own default speed
      const auto speed = tools::SpeedIndexForBaud(*connection.baud);
      if (!speed) return "--baud: expected " + tools::BaudChoices();
      target.speedIndex = *speed;
    }
    target.transport = link::Transport::Serial;
    target.devicePath = connection.serial;
    return target;
  }
  if (connection.udp.empty())
    return "say where the screen is: --udp HOST[:PORT] or --serial DEVICE";
  const auto endpoint = tools::ParseUdpEndpoint(connection.udp, {0, format::kScreenPort},
                                                tools::EndpointRole::Screen, platform::ResolveIpv4);
  if (auto* error = std::get_if<std::string>(&endpoint)) return "--udp: " + *error;
  if (connection.localPort < 0 || connection.localPort > 65535)
    return "--local-port: expected 0..65535";
  if (connection.baud)
    return "--baud sets a serial line's speed: it needs --serial DEVICE, not --udp";
  target.transport = link::Transport::Udp;
  target.remoteAddress = std::get<tools::UdpEndpoint>(endpoint).address;
  target.remotePort = std::get<tools::UdpEndpoint>(endpoint).port;
  target.localPort = static_cast<uint16_t>(connection.localPort);
  return target;
}

int Power(const Connection& connection, const std::optional<std::string>& state,
          const Reporting& reporting) {
  return WithTarget(
      connection, [&](const link::Target& target, const protocol::DeviceContext& devices) {
        if (state) {
          if (*state != "on" && *state != "off") {
            SayError("power: expected on or off, got \"" + *state + "\"");
            return kExitUsage;
          }
          const int value = *state == "on" ? 1 : 0;
          const int status = Outcome(protocol::DoSetPower(devices, target, value), connection);
          if (status == kExitOk && reporting.json) PrintJson(PowerJson(value));
          if (status == kExitOk && !reporting.json) std::printf("power %s\n", state->c_str());
          return status;
        }
        const protocol::Reading reading = protocol::DoGetPower(devices, target);
        if (reading.status != Status::Ok) return Outcome(reading.status, connection);
        if (reporting.json)
          PrintJson(PowerJson(reading.value));
        else if (reading.value == 0 || reading.value == 1)
          std::printf("%s\n", reading.value ? "on" : "off");
        else
          std::printf("%d\n", reading.value);
        return kExitOk;
      });
}

int Brightness(const Connection& connection, const std::optional<int32_t>& value,
               const Reporting& reporting) {
  if (BrightnessStops(value, reporting.strict)) return kExitUsage;
  return WithTarget(
      connection, [&](const link::Target& target, const protocol::DeviceContext& devices) {
        if (value) {
          const int status = Outcome(protocol::DoSetBright(devices, target, *value), connection);
          if (status == kExitOk && reporting.json) PrintJson(BrightnessJson(*value));
          if (status == kExitOk && !reporting.json) std::printf("brightness %d\n", *value);
          return status;
        }
        const protocol::Reading reading = protocol::DoGetBright(devices, target);
        if (reading.status != Status::Ok) return Outcome(reading.status, connection);
        if (reporting.json)
          PrintJson(BrightnessJson(reading.value));
        else
          std::printf("%d\n", reading.value);
        return kExitOk;
      });
}

int Reset(const Connection& connection, const Reporting& reporting) {
  return WithTarget(connection,
                    [&](const link::Target& target, const protocol::DeviceContext& devices) {
                      const int status = Outcome(protocol::DoReset(devices, target), connection);
                      if (status == kExitOk && reporting.json) PrintJson(ResetJson());
                      if (status == kExitOk && !reporting.json) std::printf("reset\n");
                      return status;
                    });
}

int SyncTime(const Connection& connection, const Reporting& reporting) {
  return WithTarget(
      connection, [&](const link::Target& target, const protocol::DeviceContext& devices) {
        const platform::LocalTime now = devices.clock.Local();
        const int status = Outcome(protocol::DoAdjustTime(devices, target, now), connection);
        if (status == kExitOk && reporting.json) PrintJson(ClockJson(now));
        if (status == kExitOk && !reporting.json)
          std::printf("clock set to %s\n", tools::DateTimeText(now).c_str());
        return status;
      });
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

int Send(const Connection& connection, const std::filesystem::path& program, bool strict) {
  const std::optional<std::vector<uint8_t>> block = ProgramToSend(program, strict);
  return block ? Send(connection, *block) : kExitUsage;
}

int Send(const Connection& connection, const std::vector<uint8_t>& block) {
  if (const auto problem = ProgramSizeProblem(block)) {
    SayError(*problem);
    return kExitUsage;
  }
  return WithTarget(
      connection, [&](const link::Target& target, const protocol::DeviceContext& devices) {
        ProgressBar progress(platform::IsTerminal(stdout));
        return UploadOutcome(Upload(devices, target, block, progress), connection, progress);
      });
}

}  // namespace veltrane::cli
