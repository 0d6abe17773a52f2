#include "link/com_port_paths.h"

#include <array>
#include <mutex>

#include "platform/serial_port.h"

namespace veltrane::link {
namespace {

struct PathTable {
  std::mutex mutex;
  std::array<std::string, kLastComPort + 1> mapped;  // empty: the default path
};

PathTable& table() {
  static PathTable value;
  return value;
}

bool InRange(int32_t port) { return port >= kFirstComPort && port <= kLastComPort; }

}  // namespace

bool SetComPortPath(int32_t port, const char* path) {
  if (!InRange(port)) return false;
  PathTable& paths = table();
  std::lock_guard lock(paths.mutex);
  paths.mapped[static_cast<size_t>(port)] = path != nullptr ? path : "";
  return true;
}

std::optional<std::string> ComPortPath(int32_t port) {
  if (!InRange(port)) return std::nullopt;
  PathTable& paths = table();
  std::lock_guard lock(paths.mutex);
  const std::string& mapped = paths.mapped[static_cast<size_t>(port)];
  if (!mapped.empty()) return mapped;
  return platform::DefaultSerialDevicePath(port);
}

}  // namespace veltrane::link
