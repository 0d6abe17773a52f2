#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/unique_fd.h"

namespace veltrane::platform {

// Opens a serial device for reading and writing, exclusively (a second open of the same device
// fails while this one is held), without making it the controlling terminal, and sets the line to
// `bitsPerSecond` (9600, 19200, 38400, 57600 or 115200; anything else gives 9600), 8 data bits,
// no parity, one stop bit, raw bytes. Flow control and the other settings stay as the device had
// them. The line settings are best effort: a device that refuses them still opens. Invalid when
// the device cannot be opened or is held by someone else.
UniqueFd OpenSerialPort(const std::string& path, int32_t bitsPerSecond);

// Takes what the device has received so far, at most `buffer.size()` bytes, without waiting.
// 0 when nothing is waiting or the read failed.
size_t ReadAvailable(int fd, std::span<uint8_t> buffer);

// Writes all of `data`, waiting while the driver's queue is full, and returns the count the
// driver took. Gives up (returning the count so far) on an error, or when the device has taken
// nothing for kWriteStallMs.
size_t WriteAll(int fd, std::span<const uint8_t> data);
constexpr uint32_t kWriteStallMs = 2000;

// A pseudo-terminal pair: the controller end, and the terminal end that a program opens by path
// as if it were a serial port.
struct PseudoTerminal {
  UniqueFd controller;  // non-blocking
  UniqueFd terminal;    // kept open so the controller end never sees a hang-up
  std::string terminalPath;
};

// Creates a pseudo-terminal with its terminal end in raw mode. `terminalPath` is empty on failure.
PseudoTerminal OpenPseudoTerminal();

}  // namespace veltrane::platform
