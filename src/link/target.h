// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "format/link.h"

namespace veltrane::link {

// Which channel a device operation opens.
enum class Transport { Serial, Udp, None };

// Where a device operation talks to, taken once from the caller's descriptor.
struct Target {
  Transport transport = Transport::None;
  int32_t bitsPerSecond = format::kDefaultSerialSpeed;  // serial: the line speed
  std::string devicePath;      // serial: the device to open; empty when none stands for the port
  uint16_t localPort = 0;      // UDP: the port to bind, host order
  uint16_t remotePort = 0;     // UDP: the screen's port, host order
  uint32_t remoteAddress = 0;  // UDP: the screen's IPv4 address, network order
  uint8_t devAddr = 0;         // the screen's address byte in every request
};

}  // namespace veltrane::link
