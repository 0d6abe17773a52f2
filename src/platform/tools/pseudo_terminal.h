// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "platform/serial_port.h"

namespace veltrane::platform {

// A pseudo-terminal pair: the controller end, and the terminal end that a program opens by path
// as if it were a serial port.
struct PseudoTerminal {
  SerialPort controller;  // does not block
  SerialPort terminal;    // kept open so the controller end never sees a hang-up
  std::string terminalPath;
};

// Creates a pseudo-terminal with its terminal end in raw mode. `terminalPath` is empty on failure
// (always on Windows).
PseudoTerminal OpenPseudoTerminal();

}  // namespace veltrane::platform
