// SPDX-License-Identifier: MIT
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/udp_socket.h"

namespace veltrane::platform {

inline sockaddr_in SocketAddress(Endpoint endpoint) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = endpoint.address;
  address.sin_port = endpoint.port;
  return address;
}

// Whether a socket may share its port with the other sockets of the same user that say so too.
enum class PortSharing { Alone, Shared };

// A UDP socket bound to `address` (network order) and `port` (host order): its descriptor, or -1
// with errno set and nothing left open.
inline int OpenBoundUdp(uint32_t address, uint16_t port, PortSharing sharing = PortSharing::Alone) {
  const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (socket < 0) return -1;
  const int on = 1;
  const sockaddr_in local = SocketAddress({address, htons(port)});
  if ((sharing == PortSharing::Shared &&
       ::setsockopt(socket, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on) != 0) ||
      ::bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    const int reason = errno;
    ::close(socket);
    errno = reason;
    return -1;
  }
  return socket;
}

// The local port (host order) `socket` is bound to, or 0.
inline uint16_t LocalPortOf(int socket) {
  sockaddr_in local{};
  socklen_t size = sizeof local;
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &size) != 0) return 0;
  return ntohs(local.sin_port);
}

}  // namespace veltrane::platform
