// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veltrane::cli {

// A serial device a screen may hang on, as the system describes it.
struct PortRecord {
  std::string path;      // e.g. /dev/ttyUSB0
  std::string byIdName;  // its stable name under /dev/serial/by-id, when udev made one
  std::optional<uint16_t> usbVendor;
  std::optional<uint16_t> usbProduct;
  std::string description;  // the driver's or the USB device's own words
};

// Every serial port the system knows, in the order it lists them.
std::vector<PortRecord> ListSerialPorts();

// One line for a port: path, by-id name, USB vendor:product in hex and the description, tab
// separated, "-" for what is unknown. Control characters in the system's text become spaces.
std::string FormatPort(const PortRecord& port);

// `veltrane ports`: one line per port on stdout; none is not an error.
int Ports();

}  // namespace veltrane::cli
