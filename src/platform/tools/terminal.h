// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>

namespace veltrane::platform {

// True when `stream` goes to a terminal (progress displays are drawn only then).
bool IsTerminal(std::FILE* stream);

// The columns of the terminal `stream` goes to: 0 when it goes to none, or the terminal does not
// say. A line drawn in place must stay narrower, or it wraps and cannot be redrawn.
int TerminalColumns(std::FILE* stream);

// Sets the columns the terminal `stream` goes to reports, as a terminal window does when resized
// (the tests play one on a pseudo-terminal). False when `stream` goes to no terminal.
bool SetTerminalColumns(std::FILE* stream, int columns);

// Gives each standard stream the process was started without (`tool >&-`) a stand-in that takes
// no byte, so that a device, socket or file the tool opens later cannot take its number and
// receive what the tool prints; what is printed there fails, and shows as lost. Called first
// thing in a tool's main.
void HoldClosedStandardStreams();

}  // namespace veltrane::platform
