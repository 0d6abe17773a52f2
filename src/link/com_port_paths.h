#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace veltrane::link {

// COM port numbers that can be mapped to device paths.
constexpr int32_t kFirstComPort = 1;
constexpr int32_t kLastComPort = 255;

// Maps COM port `port` to `path`; nullptr restores the system's default path for it
// (platform::DefaultSerialDevicePath).
// False for a port number out of range.
bool SetComPortPath(int32_t port, const char* path);

// The device path of COM port `port`; nothing for a port number out of range.
std::optional<std::string> ComPortPath(int32_t port);

}  // namespace veltrane::link
