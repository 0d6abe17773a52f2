#include "link/serial_channel.h"

#include "format/link.h"
#include "link/com_port_paths.h"

namespace veltrane::link {

int32_t LineSpeed(int32_t speedIndex) {
  constexpr int32_t kDefaultIndex = 3;
  if (speedIndex < 0 || speedIndex >= static_cast<int32_t>(format::kSerialSpeeds.size()))
    speedIndex = kDefaultIndex;
  return format::kSerialSpeeds[static_cast<size_t>(speedIndex)];
}

Status SerialChannel::Open(const Target& target) {
  Close();
  const auto path = target.devicePath.empty() ? ComPortPath(target.comPort) : target.devicePath;
  // No device stands for that number: the channel cannot be opened, though the system was not
  // asked.
  if (!path) return Status::OsError;
  return port_.Open(*path, LineSpeed(target.speedIndex));
}

}  // namespace veltrane::link
