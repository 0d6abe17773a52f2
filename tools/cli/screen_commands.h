#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "link/com_port_paths.h"
#include "link/target.h"

namespace veltrane::cli {

// How to reach a screen, as the command line gives it.
struct Connection {
  std::string udp;        // HOST[:PORT], port 6666 by default
  int32_t localPort = 0;  // 0: any free port
  std::string serial;     // a serial device path, instead of UDP
  int32_t baud = 57600;
  int32_t address = 1;  // the screen's address (255: any screen)
};

// The target the options name, or one sentence on what is wrong with them. A --serial device is
// mapped in `comPorts` to the COM port the target names.
std::variant<link::Target, std::string> TargetFor(const Connection& connection,
                                                  link::ComPortPaths& comPorts);

// The device subcommands. Each prints its outcome and returns the exit status.
int Power(const Connection& connection, const std::optional<std::string>& state);
int Brightness(const Connection& connection, const std::optional<int32_t>& value);
int Reset(const Connection& connection);
int SyncTime(const Connection& connection);

// Uploads a program file or block, with a progress bar when stdout is a terminal.
int Send(const Connection& connection, const std::filesystem::path& program);
int Send(const Connection& connection, const std::vector<uint8_t>& block);

// Runs a simulated screen until SIGINT or SIGTERM (arguments as veltrane-screen takes them);
// with `renderFolder`, writes a PNG of each program it receives there.
int RunScreen(const std::vector<std::string>& simulatorArgs, const std::string& renderFolder);

// Starts a screen in this process, builds and sends a demo program, and writes `output`, a
// picture of what the screen now shows.
int Demo(const std::filesystem::path& output);

}  // namespace veltrane::cli
