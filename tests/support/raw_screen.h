// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "link/target.h"
#include "platform/udp_socket.h"

namespace veltrane::testing {

// A bare UDP socket on 127.0.0.1 that a test drives by hand as the screen, to see the exact
// request bytes and to answer with exactly the bytes it wants.
class RawScreen {
 public:
  RawScreen();

  uint16_t port() const { return port_; }
  link::Target Target(uint8_t devAddr = 1) const;

  // The next datagram within `timeoutMs` (empty when none came) and where it came from.
  std::vector<uint8_t> NextRequest(platform::Endpoint& from, uint32_t timeoutMs = 3000);
  // True when nothing arrives within `timeoutMs`.
  bool QuietFor(uint32_t timeoutMs);
  void Send(const std::vector<uint8_t>& bytes, platform::Endpoint to);

 private:
  platform::UdpSocket fd_;
  uint16_t port_ = 0;
};

}  // namespace veltrane::testing
