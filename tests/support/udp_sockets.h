// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "platform/udp_socket.h"

namespace veltrane::testing {

// A UDP socket bound to `address` (network order; 0 is every local address) and a port of the
// system's choosing, which the test then holds.
platform::UdpSocket BoundUdpSocket(uint32_t address = 0);

}  // namespace veltrane::testing
