// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "common/status.h"
#include "platform/wait.h"

namespace veltrane::platform {

// The device path a COM port number stands for when the host has mapped none ("/dev/ttyS0" for
// COM1 on POSIX systems).
std::string DefaultSerialDevicePath(int32_t comPort);

// One text for every path that names the same device, however it is spelled (links followed
// on POSIX systems): screens on one line must take turns. The path itself when it cannot be
// resolved.
std::string DeviceIdentity(const std::string& path);

// A serial line (or the controller end of a pseudo-terminal). Closed until opened.
class SerialPort final : public Waitable {
 public:
  // Opens a serial device for reading and writing, exclusively (a second open of the same device
  // fails while this one is held), without making it the controlling terminal, and sets the line
  // to `bitsPerSecond` (9600, 19200, 38400, 57600 or 115200; anything else gives 9600), 8 data
  // bits, no parity, one stop bit, raw bytes, software flow control off. Input left over from
  // before the open is dropped. Only a terminal device whose line settings can be read is taken:
  // anything else (a file, a folder, a pipe, another kind of device) gives kNotSerialLine without
  // a byte written to it. A line that then refuses the new settings still opens. An OsError with
  // the system's reason when the device cannot be opened or is held by someone else; nothing is
  // left open then.
  Status Open(const std::string& path, int32_t bitsPerSecond);

  // Takes what the device has received so far, at most `buffer.size()` bytes, without waiting.
  // 0 when nothing is waiting, the read failed or the port is not open.
  size_t ReadAvailable(std::span<uint8_t> buffer) const;

  // Writes all of `data`, waiting while the driver's queue is full, and returns the count the
  // driver took. Gives up (returning the count so far) on an error, or when the device has taken
  // nothing for kWriteStallMs; 0 when the port is not open.
  size_t WriteAll(std::span<const uint8_t> data) const;
};

constexpr uint32_t kWriteStallMs = 2000;

// Why a path was not opened as a serial line: what it names is not one.
constexpr Status kNotSerialLine{Status::WrongDevice, "the device path is not a serial line"};

}  // namespace veltrane::platform
