// SPDX-License-Identifier: MIT
#include "link/serial_channel.h"

namespace veltrane::link {

Status SerialChannel::Open(const Target& target) {
  Close();
  // No device stands for the target's COM port number: the channel cannot be opened, though the
  // system was not asked.
  if (target.devicePath.empty()) return {Status::OsError, "no device for that COM port"};
  return port_.Open(target.devicePath, target.bitsPerSecond);
}

}  // namespace veltrane::link
