// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/wait.h"
#include "win32.h"

namespace veltrane::platform {

// An open COM port. Reads never wait; a wait for input sleeps in a read of one byte that the
// port's time-outs end when a byte arrives or the time is up, and that byte is kept for the next
// read.
class ComPort {
 public:
  ComPort(HANDLE port, int32_t bitsPerSecond) : port_(port), bitsPerSecond_(bitsPerSecond) {}
  ~ComPort() { ::CloseHandle(port_); }
  ComPort(const ComPort&) = delete;
  ComPort& operator=(const ComPort&) = delete;

  WaitResult WaitForInput(uint32_t timeoutMs);
  size_t ReadAvailable(std::span<uint8_t> buffer);
  size_t WriteAll(std::span<const uint8_t> data);

 private:
  // Sets the port's time-outs: reads wait `readWaitMs` for a first byte (0: not at all); a
  // write of `writeBytes` may take as long as the line needs for them plus kWriteStallMs.
  bool SetTimeouts(uint32_t readWaitMs, size_t writeBytes);

  HANDLE port_;
  int32_t bitsPerSecond_;
  std::optional<uint8_t> taken_;          // the byte the last wait took off the line
  std::optional<COMMTIMEOUTS> timeouts_;  // as last set, so that unchanged ones are not set again
};

}  // namespace veltrane::platform
