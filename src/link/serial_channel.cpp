// SPDX-License-Identifier: MIT
#include "link/serial_channel.h"

#include "format/link.h"

namespace veltrane::link {

int32_t LineSpeed(int32_t speedIndex) {
  constexpr int32_t kDefaultIndex = 3;
  if (speedIndex < 0 || speedIndex >= static_cast<int32_t>(format::kSerialSpeeds.size()))
    speedIndex = kDefaultIndex;
  return format::kSerialSpeeds[static_cast<size_t>(speedIndex)];
}

Status SerialChannel::Open(const Target& target) {
  Close();
  // No device stands for the target's COM port number: the channel cannot be opened, though the
  // system was not asked.
  if (target.devicePath.empty()) return {Status::OsError, "no device for that COM port"};
  return port_.Open(target.devicePath, LineSpeed(target.speedIndex));
}

}  // namespace veltrane::link
