// SPDX-License-Identifier: MIT
#include "link/com_port_paths.h"

#include "platform/serial_port.h"

namespace veltrane::link {
namespace {

bool InRange(int32_t port) { return port >= kFirstComPort && port <= kLastComPort; }

}  // namespace

bool ComPortPaths::Set(int32_t port, const char* path) {
  if (!InRange(port)) return false;
  std::lock_guard lock(mutex_);
  mapped_[static_cast<size_t>(port)] = path != nullptr ? path : "";
  return true;
}

std::optional<std::string> ComPortPaths::PathOf(int32_t port) const {
  if (!InRange(port)) return std::nullopt;
  std::lock_guard lock(mutex_);
  const std::string& mapped = mapped_[static_cast<size_t>(port)];
  if (!mapped.empty()) return mapped;
  return platform::DefaultSerialDevicePath(port);
}

}  // namespace veltrane::link
