#pragma once

#include <cstdint>
#include <span>

#include "platform/unique_fd.h"

namespace veltrane::platform {

// An IPv4 address and port as they travel in packets: both in network byte order.
struct Endpoint {
  uint32_t address = 0;
  uint16_t port = 0;
  bool operator==(const Endpoint&) const = default;
};

// A UDP socket bound to `bindAddress` (network order; 0 is every local address) and `port`
// (host order; 0 lets the system choose). No options are set. Invalid when creating or binding
// fails, so nothing is left open then.
UniqueFd OpenUdpSocket(uint32_t bindAddress, uint16_t port);

// The local port (host order) a socket is bound to, or 0.
uint16_t LocalPort(int fd);

// Sends one datagram. Returns the byte count sent, or -1 when the system refused it.
int32_t SendDatagram(int fd, std::span<const uint8_t> data, Endpoint to);

// Takes one waiting datagram without blocking. Returns its length with its source in `from`;
// 0 when none is waiting, on failure, or when the datagram was longer than `buffer` (then it is
// discarded). `from` is written only when a datagram is returned.
int32_t ReceiveDatagram(int fd, std::span<uint8_t> buffer, Endpoint& from);

}  // namespace veltrane::platform
