#include "screen_commands.h"

#include <chrono>
#include <cstdio>

#include "api/last_error.h"
#include "commands.h"
#include "common/busy_count.h"
#include "format/link.h"
#include "format/packets.h"
#include "platform/clock.h"
#include "platform/terminal.h"
#include "protocol/device_commands.h"
#include "protocol/upload.h"
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

  void Finish() {
    if (draw_ && packets_ > 0) std::printf("\n");
  }
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }
  uint32_t packets() const { return packets_; }
  size_t bytes() const { return bytes_; }

 private:
  bool draw_;
  std::chrono::steady_clock::time_point start_;
  uint32_t packets_ = 0;
  size_t bytes_ = 0;
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

// Runs `command(target, devices)` for the target the options name, on the system's clock with a
// busy count nobody waits on.
template <class Command>
int WithTarget(const Connection& connection, Command command) {
  auto target = TargetFor(connection);
  if (auto* error = std::get_if<std::string>(&target)) {
    SayError(*error);
    return kExitUsage;
  }
  BusyCount busy;
  return command(std::get<link::Target>(target),
                 protocol::DeviceContext{platform::SystemClock(), busy});
}

}  // namespace

std::variant<link::Target, std::string> TargetFor(const Connection& connection) {
  link::Target target;
  target.devAddr = static_cast<uint8_t>(connection.address);
  if (connection.address < 0 || connection.address > 255)
    return "--address: expected 0..255, got " + std::to_string(connection.address);
  if (!connection.serial.empty()) {
    const auto speed = tools::SpeedIndexForBaud(connection.baud);
    if (!speed) return "--baud: expected " + tools::BaudChoices();
    target.transport = link::Transport::Serial;
    target.devicePath = connection.serial;
    target.speedIndex = *speed;
    return target;
  }
  if (connection.udp.empty())
    return "say where the screen is: --udp HOST[:PORT] or --serial DEVICE";
  const auto endpoint = tools::ParseUdpEndpoint(connection.udp, {0, format::kScreenPort},
                                                tools::EndpointRole::Screen);
  if (auto* error = std::get_if<std::string>(&endpoint)) return "--udp: " + *error;
  if (connection.localPort < 0 || connection.localPort > 65535)
    return "--local-port: expected 0..65535";
  target.transport = link::Transport::Udp;
  target.remoteAddress = std::get<tools::UdpEndpoint>(endpoint).address;
  target.remotePort = std::get<tools::UdpEndpoint>(endpoint).port;
  target.localPort = static_cast<uint16_t>(connection.localPort);
  return target;
}

int Power(const Connection& connection, const std::optional<std::string>& state) {
  return WithTarget(
      connection, [&](const link::Target& target, const protocol::DeviceContext& devices) {
        if (state) {
          if (*state != "on" && *state != "off") {
            SayError("power: expected on or off, got \"" + *state + "\"");
            return kExitUsage;
          }
          const int status =
              Outcome(protocol::DoSetPower(devices, target, *state == "on" ? 1 : 0), connection);
          if (status == kExitOk) std::printf("power %s\n", state->c_str());
          return status;
        }
        const protocol::Reading reading = protocol::DoGetPower(devices, target);
        if (reading.status != Status::Ok) return Outcome(reading.status, connection);
        if (reading.value == 0 || reading.value == 1)
          std::printf("%s\n", reading.value ? "on" : "off");
        else
          std::printf("%d\n", reading.value);
        return kExitOk;
      });
}

int Brightness(const Connection& connection, const std::optional<int32_t>& value) {
  return WithTarget(
      connection, [&](const link::Target& target, const protocol::DeviceContext& devices) {
        if (value) {
          const int status = Outcome(protocol::DoSetBright(devices, target, *value), connection);
          if (status == kExitOk) std::printf("brightness %d\n", *value);
          return status;
        }
        const protocol::Reading reading = protocol::DoGetBright(devices, target);
        if (reading.status != Status::Ok) return Outcome(reading.status, connection);
        std::printf("%d\n", reading.value);
        return kExitOk;
      });
}

int Reset(const Connection& connection) {
  return WithTarget(connection,
                    [&](const link::Target& target, const protocol::DeviceContext& devices) {
                      const int status = Outcome(protocol::DoReset(devices, target), connection);
                      if (status == kExitOk) std::printf("reset\n");
                      return status;
                    });
}

int SyncTime(const Connection& connection) {
  return WithTarget(
      connection, [&](const link::Target& target, const protocol::DeviceContext& devices) {
        const platform::LocalTime now = devices.clock.Local();
        const int status = Outcome(protocol::DoAdjustTime(devices, target, now), connection);
        if (status == kExitOk)
          std::printf("clock set to %04u-%02u-%02u %02u:%02u:%02u\n", now.year, now.month, now.day,
                      now.hour, now.minute, now.second);
        return status;
      });
}

std::optional<std::string> ProgramSizeProblem(const std::vector<uint8_t>& block) {
  if (!block.empty() && block.size() <= format::kMaxProgramBytes) return std::nullopt;
  return "a program must hold 1 to " + std::to_string(format::kMaxProgramBytes) +
         " bytes, this one has " + std::to_string(block.size());
}

int Send(const Connection& connection, const std::filesystem::path& program) {
  auto loaded = LoadProgramBlock(program);
  if (auto* error = std::get_if<std::string>(&loaded)) {
    SayError(*error);
    return kExitUsage;
  }
  return Send(connection, std::get<std::vector<uint8_t>>(loaded));
}

int Send(const Connection& connection, const std::vector<uint8_t>& block) {
  if (const auto problem = ProgramSizeProblem(block)) {
    SayError(*problem);
    return kExitUsage;
  }
  return WithTarget(connection,
                    [&](const link::Target& target, const protocol::DeviceContext& devices) {
                      ProgressBar progress(platform::IsTerminal(stdout));
                      return Outcome(Upload(devices, target, block, progress), connection);
                    });
}

}  // namespace veltrane::cli
