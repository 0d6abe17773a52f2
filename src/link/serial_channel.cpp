#include "link/serial_channel.h"

#include "format/link.h"
#include "link/com_port_paths.h"
#include "platform/serial_port.h"

namespace veltrane::link {

int32_t LineSpeed(int32_t speedIndex) {
  constexpr int32_t kDefaultIndex = 3;
  if (speedIndex < 0 || speedIndex >= static_cast<int32_t>(format::kSerialSpeeds.size()))
    speedIndex = kDefaultIndex;
  return format::kSerialSpeeds[static_cast<size_t>(speedIndex)];
}

bool SerialChannel::Open(const Target& target) {
  Close();
  const auto path = ComPortPath(target.comPort);
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
