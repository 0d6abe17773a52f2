// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace veltrane::link {

// Which channel a device operation opens.
enum class Transport { Serial, Udp, None };

// Where a device operation talks to, taken once from the caller's descriptor.
struct Target {
  Transport transport = Transport::None;
  int32_t speedIndex = 3;      // serial line speed index; outside 0..4 means 3
  std::string devicePath;      // serial: the device to open; empty when none stands for the port
  uint16_t localPort = 0;      // UDP: the port to bind, host order
  uint16_t remotePort = 0;     // UDP: the screen's port, host order
  uint32_t remoteAddress = 0;  // UDP: the screen's IPv4 address, network order
  uint8_t devAddr = 0;         // the screen's address byte in every request
};

// The one rule by which every device operation picks its channel: 0 serial, 1 UDP, else none.
constexpr Transport SelectTransport(int32_t devType) {
  switch (devType) {
    case 0:
      return Transport::Serial;
    case 1:
      return Transport::Udp;
    default:
      return Transport::None;
  }
}

}  // namespace veltrane::link
