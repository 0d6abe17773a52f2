#include "platform/udp_socket.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

namespace veltrane::platform {

Status UdpSocket::Open(uint32_t bindAddress, uint16_t port) {
  handle_.Reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP));
  if (!valid()) return Status::System(errno);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = bindAddress;
  local.sin_port = htons(port);
  if (::bind(handle_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    const int reason = errno;
    Close();
    return Status::System(reason);
  }
  return Status::Ok;
}

uint16_t UdpSocket::LocalPort() const {
  sockaddr_in local{};
  socklen_t size = sizeof local;
  if (!valid() || ::getsockname(handle_.get(), reinterpret_cast<sockaddr*>(&local), &size) != 0)
    return 0;
  return ntohs(local.sin_port);
}

int32_t UdpSocket::Send(std::span<const uint8_t> data, Endpoint to) const {
  if (!valid()) return 0;
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_addr.s_addr = to.address;
  remote.sin_port = to.port;
  const ssize_t sent = ::sendto(handle_.get(), data.data(), data.size(), MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
  return sent < 0 ? -1 : static_cast<int32_t>(sent);
}

int32_t UdpSocket::Receive(std::span<uint8_t> buffer, Endpoint& from) const {
  if (!valid()) return 0;
  sockaddr_in source{};
  socklen_t size = sizeof source;
  // MSG_TRUNC reports the datagram's real length, so an oversized one is recognised and dropped
  // rather than handed on cut short.
  const ssize_t n =
      ::recvfrom(handle_.get(), buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC,
                 reinterpret_cast<sockaddr*>(&source), &size);
  if (n <= 0 || static_cast<size_t>(n) > buffer.size()) return 0;
  from.address = source.sin_addr.s_addr;
  from.port = source.sin_port;
  return static_cast<int32_t>(n);
}

}  // namespace veltrane::platform
