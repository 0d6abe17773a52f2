// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/result.h"
#include "link/target.h"
#include "shared/udp_endpoint.h"

namespace veltrane::tools {

// The address a screen answers when none is given.
constexpr int32_t kDefaultScreenAddress = 1;

// Where a screen was named. The rules are the same; the sentences name the parts as that place
// writes them ("--udp" on a command line, "udp" at the start of a fleet-file line).
enum class WordsSource { CommandLine, FleetFile };

// A screen as a command line or a fleet-file line names it, before anything is checked. The
// numbers stay as written, so that one reader says what is wrong with them.
struct ScreenWords {
  link::Transport transport = link::Transport::None;  // None: no way to the screen was given
  std::string place;                                  // udp: HOST[:PORT]; serial: the device path
  std::optional<std::string> baud;  // serial: the line speed in bit/s; the usual one if not given
  std::optional<std::string> address;  // the screen's address 0..255; kDefaultScreenAddress if not
  int32_t localPort = 0;               // udp: the local port to send from, 0..65535 (0: any)
};

// The target `words` names, or one sentence on what is wrong with it. A HOST that is no address
// text is looked up with `resolve`, when given.
Result<link::Target> ScreenTarget(const ScreenWords& words, WordsSource source,
                                  const HostResolver& resolve = {});

// Whether screens run their serial lines at `bitsPerSecond`.
bool IsScreenLineSpeed(int32_t bitsPerSecond);

// The line speeds screens run at, as "9600, 19200, ... or 115200".
std::string BaudChoices();

// Where `target` is, as results show it: "udp 10.0.0.5:6666", "serial PATH".
std::string PlaceText(const link::Target& target);

// The same with the screen's address when it is not the default one: "udp 10.0.0.5:6666 address 2".
std::string ScreenText(const link::Target& target);

// What could not be done when no channel to `target` opened: "cannot open PATH", "cannot bind
// local UDP port 5000 for udp 10.0.0.5:6666" (or "a local UDP port", when any would do).
std::string NotOpenedText(const link::Target& target);

}  // namespace veltrane::tools
