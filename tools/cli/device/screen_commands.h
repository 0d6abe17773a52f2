// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "common/result.h"
#include "fleet.h"
#include "link/target.h"
#include "protocol/exchange_steps.h"

namespace veltrane::cli {

// How to reach a screen, as the command line gives it.
struct Connection {
  std::string udp;              // HOST[:PORT], the screen port by default
  int32_t localPort = 0;        // 0: any free port
  std::string serial;           // a serial device path, instead of UDP
  std::optional<int32_t> baud;  // the serial speed; the target's default when not given
  int32_t address = 1;          // the screen's address (255: any screen)
  bool verbose = false;         // show each try and reply on stderr
};

// The target the options name, or one sentence on what is wrong with them.
Result<link::Target> TargetFor(const Connection& connection);

// Which screens a device subcommand talks to, and how hard it tries each packet. One screen is a
// fleet of one: every device subcommand takes the same way through the library's engine, and
// reports as a fleet only when a fleet file was given.
struct ScreenChoice {
  ScreenChoice(const Connection& one) : connection(one) {}
  ScreenChoice(const FleetOptions& many) : fleet(many) {}

  bool toFleet() const { return !fleet.file.empty(); }

  Connection connection;      // the one screen, unless a fleet file is given
  FleetOptions fleet;         // --to and what goes with it
  protocol::TryPolicy tries;  // --tries and --window; the protocol's own by default
};

// The device subcommands. Each prints its outcome (as text, or as JSON when `reporting` asks)
// and returns the exit status; a fleet's results come as a table or a JSON array (see
// ReportFleet). A brightness outside the usual levels is warned about first, and under --strict
// nothing is sent.
int Power(const ScreenChoice& screens, const std::optional<std::string>& state,
          const Reporting& reporting = {});
int Brightness(const ScreenChoice& screens, const std::optional<int32_t>& value,
               const Reporting& reporting = {});
int Reset(const ScreenChoice& screens, const Reporting& reporting = {});
int SyncTime(const ScreenChoice& screens, const Reporting& reporting = {});
// `status`: each screen's power and brightness in one table (or JSON array). Brightness is asked
// only of screens that answered the power query.
int ShowStatus(const ScreenChoice& screens, const Reporting& reporting = {});

// Why `block` cannot be sent as a program (empty, or larger than a screen takes); nothing when
// it can.
std::optional<std::string> ProgramSizeProblem(const std::vector<uint8_t>& block);

// The program `file` holds, read back and checked before anything is sent: nothing (said on
// stderr) when it cannot be loaded, is broken or too large, or, under `strict`, was warned about.
std::optional<std::vector<uint8_t>> ProgramToSend(const std::filesystem::path& file, bool strict);

// Uploads a program file or block, to one screen with a progress bar when stdout is a terminal.
// Warnings about a program file go to stderr first, and under --strict nothing is sent when there
// is any.
int Send(const ScreenChoice& screens, const std::filesystem::path& program,
         const Reporting& reporting = {});
int Send(const ScreenChoice& screens, const std::vector<uint8_t>& block,
         const Reporting& reporting = {});

}  // namespace veltrane::cli
