// SPDX-License-Identifier: MIT
#include "support/udp_sockets.h"

namespace veltrane::testing {

platform::UdpSocket BoundUdpSocket(uint32_t address) {
  platform::UdpSocket socket;
  socket.Open(address, 0);
  return socket;
}

}  // namespace veltrane::testing
