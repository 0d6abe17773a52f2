#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "link/target.h"

namespace veltrane::cli {

// How to reach a screen, as the command line gives it.
struct Connection {
  std::string udp;        // HOST[:PORT], the screen port by default
  int32_t localPort = 0;  // 0: any free port
  std::string serial;     // a serial device path, instead of UDP
  int32_t baud = 57600;
  int32_t address = 1;  // the screen's address (255: any screen)
};

// The target the options name, or one sentence on what is wrong with them.
std::variant<link::Target, std::string> TargetFor(const Connection& connection);

// The device subcommands. Each prints its outcome and returns the exit status.
int Power(const Connection& connection, const std::optional<std::string>& state);
int Brightness(const Connection& connection, const std::optional<int32_t>& value);
int Reset(const Connection& connection);
int SyncTime(const Connection& connection);

// Why `block` cannot be sent as a program (empty, or larger than a screen takes); nothing when
// it can.
std::optional<std::string> ProgramSizeProblem(const std::vector<uint8_t>& block);

// Uploads a program file or block, with a progress bar when stdout is a terminal.
int Send(const Connection& connection, const std::filesystem::path& program);
int Send(const Connection& connection, const std::vector<uint8_t>& block);

}  // namespace veltrane::cli
