// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>

namespace veltrane::platform {

// True when `stream` goes to a terminal (progress displays are drawn only then).
bool IsTerminal(std::FILE* stream);

// Gives each standard stream the process was started without (`tool >&-`) a stand-in that takes
// no byte, so that a device, socket or file the tool opens later cannot take its number and
// receive what the tool prints; what is printed there fails, and shows as lost. Called first
// thing in a tool's main.
void HoldClosedStandardStreams();

}  // namespace veltrane::platform
