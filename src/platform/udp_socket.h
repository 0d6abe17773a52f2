#pragma once

#include <cstdint>
#include <span>

#include "common/status.h"
#include "platform/wait.h"

namespace veltrane::platform {

// An IPv4 address and port as they travel in packets: both in network byte order.
struct Endpoint {
  uint32_t address = 0;
  uint16_t port = 0;
  bool operator==(const Endpoint&) const = default;
};

// A UDP socket. Closed until opened.
class UdpSocket final : public Waitable {
 public:
  // Creates the socket bound to `bindAddress` (network order; 0 is every local address) and
  // `port` (host order; 0 lets the system choose), in place of any socket held. No options are
  // set. An OsError with the system's reason when creating or binding fails; nothing is left
  // open then.
  Status Open(uint32_t bindAddress, uint16_t port);

  // The local port (host order) the socket is bound to, or 0.
  uint16_t LocalPort() const;

  // Sends one datagram. Returns the byte count sent, -1 when the system refused it, 0 without
  // sending when the socket is not open.
  int32_t Send(std::span<const uint8_t> data, Endpoint to) const;

  // Takes one waiting datagram without blocking. Returns its length with its source in `from`;
  // 0 when none is waiting, on failure, when the socket is not open, or when the datagram was
  // longer than `buffer` (then it is discarded). `from` is written only when a datagram is
  // returned.
  int32_t Receive(std::span<uint8_t> buffer, Endpoint& from) const;
};

}  // namespace veltrane::platform
