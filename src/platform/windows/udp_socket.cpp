// SPDX-License-Identifier: MIT
#include "platform/udp_socket.h"

#include <algorithm>
#include <limits>

#include "win32.h"

namespace veltrane::platform {
namespace {

SOCKET SocketOf(const UniqueHandle& handle) { return static_cast<SOCKET>(handle.get().value); }

}  // namespace

Status UdpSocket::Open(uint32_t bindAddress, uint16_t port) {
  Close();
  const SOCKET created = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (created == INVALID_SOCKET) return Status::System(::WSAGetLastError());
  handle_.Reset({NativeHandle::Kind::Socket, static_cast<uintptr_t>(created)});
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = bindAddress;
  local.sin_port = ::htons(port);
  if (::bind(created, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    const int reason = ::WSAGetLastError();
    Close();
    return Status::System(reason);
  }
  return Status::Ok;
}

uint16_t UdpSocket::LocalPort() const {
  sockaddr_in local{};
  int size = sizeof local;
  if (!valid() ||
      ::getsockname(SocketOf(handle_), reinterpret_cast<sockaddr*>(&local), &size) != 0) {
    return 0;
  }
  return ::ntohs(local.sin_port);
}

Status UdpSocket::Connect(Endpoint remote) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = remote.address;
  address.sin_port = remote.port;
  if (::connect(SocketOf(handle_), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
      0)
    return Status::System(::WSAGetLastError());
  return Status::Ok;
}

int32_t UdpSocket::Send(std::span<const uint8_t> data) const {
  if (!valid()) return 0;
  if (data.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return -1;
  const int sent = ::send(SocketOf(handle_), reinterpret_cast<const char*>(data.data()),
                          static_cast<int>(data.size()), 0);
  return sent == SOCKET_ERROR ? -1 : sent;
}

// Windows has no call that moves several datagrams: one call each.
void UdpSocket::SendBatch(std::span<const OutgoingDatagram> datagrams) const {
  for (const OutgoingDatagram& datagram : datagrams) Send(datagram.bytes, datagram.to);
}

size_t UdpSocket::ReceiveBatch(std::span<IncomingDatagram> datagrams) const {
  size_t taken = 0;
  for (IncomingDatagram& datagram : datagrams) {
    if (!valid() || WaitReadable(0) != WaitResult::Ready) break;
    datagram.length = Receive(datagram.buffer, datagram.from);
    ++taken;
  }
  return taken;
}

void UdpSocket::SetReceiveBuffer(size_t bytes) {
  const int size = static_cast<int>(std::min<size_t>(bytes, std::numeric_limits<int>::max()));
  ::setsockopt(SocketOf(handle_), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size),
               sizeof size);
}

int32_t UdpSocket::Send(std::span<const uint8_t> data, Endpoint to) const {
  if (!valid()) return 0;
  if (data.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return -1;
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_addr.s_addr = to.address;
  remote.sin_port = to.port;
  const int sent = ::sendto(SocketOf(handle_), reinterpret_cast<const char*>(data.data()),
                            static_cast<int>(data.size()), 0,
                            reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
  return sent == SOCKET_ERROR ? -1 : sent;
}

int32_t UdpSocket::Receive(std::span<uint8_t> buffer, Endpoint& from) const {
  if (!valid() || WaitReadable(0) != WaitResult::Ready) return 0;
  sockaddr_in source{};
  int size = sizeof source;
  const int room =
      static_cast<int>(std::min<size_t>(buffer.size(), std::numeric_limits<int>::max()));
  // A datagram longer than the buffer fails with WSAEMSGSIZE and is discarded.
  const int n = ::recvfrom(SocketOf(handle_), reinterpret_cast<char*>(buffer.data()), room, 0,
                           reinterpret_cast<sockaddr*>(&source), &size);
  if (n <= 0) return 0;
  from.address = source.sin_addr.s_addr;
  from.port = source.sin_port;
  return n;
}

// select's timeout is exact here, so the wait and the take stay two calls.
ReceiveResult UdpSocket::ReceiveWithin(std::span<uint8_t> buffer, Endpoint& from,
                                       uint32_t timeoutMs) {
  const WaitResult waited = WaitReadable(timeoutMs);
  if (waited != WaitResult::Ready) return {waited, 0};
  return {WaitResult::Ready, Receive(buffer, from)};
}

}  // namespace veltrane::platform
