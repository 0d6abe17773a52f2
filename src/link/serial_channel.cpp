#include "link/serial_channel.h"

#include <array>

#include "platform/serial_port.h"

namespace veltrane::link {

int32_t LineSpeed(int32_t speedIndex) {
  constexpr std::array<int32_t, 5> kSpeeds = {9600, 19200, 38400, 57600, 115200};
  constexpr int32_t kDefaultIndex = 3;
  if (speedIndex < 0 || speedIndex >= static_cast<int32_t>(kSpeeds.size()))
    speedIndex = kDefaultIndex;
  return kSpeeds[static_cast<size_t>(speedIndex)];
}

bool SerialChannel::Open(const Target& target, const ComPortPaths& paths) {
  Close();
  const auto path = paths.PathOf(target.comPort);
  if (!path) return false;
  port_ = platform::OpenSerialPort(*path, LineSpeed(target.speedIndex));
  return port_.valid();
}

void SerialChannel::Close() { port_.Reset(); }

uint32_t SerialChannel::Write(std::span<const uint8_t> data) {
  if (!port_.valid()) return 0;
  return static_cast<uint32_t>(platform::WriteAll(port_.get(), data));
}

uint32_t SerialChannel::Read(std::span<uint8_t> buffer) {
  if (!port_.valid()) return 0;
  return static_cast<uint32_t>(platform::ReadAvailable(port_.get(), buffer));
}

platform::WaitResult SerialChannel::WaitForInput(uint32_t timeoutMs) {
  if (!port_.valid()) return platform::WaitResult::Broken;
  return platform::WaitReadable(port_.get(), timeoutMs);
}

}  // namespace veltrane::link
