// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace veltrane::link {

// COM port numbers that can be mapped to device paths.
constexpr int32_t kFirstComPort = 1;
constexpr int32_t kLastComPort = 255;

// Which device path each COM port number opens. Safe to use from any thread.
class ComPortPaths {
 public:
  // Maps COM port `port` to `path`; nullptr restores the system's default path for it
  // (platform::DefaultSerialDevicePath). False for a port number out of range.
  bool Set(int32_t port, const char* path);

  // The device path of COM port `port`; nothing for a port number out of range.
  std::optional<std::string> PathOf(int32_t port) const;

 private:
  mutable std::mutex mutex_;
  std::array<std::string, kLastComPort + 1> mapped_;  // empty: the default path
};

}  // namespace veltrane::link
