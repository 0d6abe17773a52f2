// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "common/status.h"
#include "link/channel.h"
#include "link/target.h"
#include "platform/serial_port.h"

namespace veltrane::link {

// A serial line opened for one device operation: a byte stream that the receiver assembles into
// frames. The port is held exclusively until Close (or destruction), so a second operation on the
// same port fails to open it.
class SerialChannel final : public Channel {
 public:
  // Opens `target.devicePath` at `target.bitsPerSecond`, 8 data bits, no parity, one stop
  // bit. An OsError when the target names no device path, or (with the system's reason) when the
  // device cannot be opened or is held elsewhere.
  Status Open(const Target& target);
  // Closes the port if it is open; a second Close does nothing.
  void Close() { port_.Close(); }
  bool IsOpen() const { return port_.valid(); }

  bool CarriesWholeFrames() const override { return false; }
  // Writes the whole frame; false when nothing was written or the port is not open.
  bool Transmit(std::span<const uint8_t> frame) override { return port_.WriteAll(frame) != 0; }
  platform::WaitResult WaitForInput(uint32_t timeoutMs) override {
    return port_.WaitReadable(timeoutMs);
  }
  // Returns at once with what the port has received so far; 0 when nothing is waiting, the port
  // is not open or the read failed.
  size_t TakeInput(std::span<uint8_t, MaxFrameSize> buffer) override {
    return port_.ReadAvailable(buffer);
  }

 private:
  platform::SerialPort port_;
};

}  // namespace veltrane::link
