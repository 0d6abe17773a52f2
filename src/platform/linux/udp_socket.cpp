// SPDX-License-Identifier: MIT
#include "platform/udp_socket.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>

#include "platform/linux/udp_common.h"

namespace veltrane::platform {
namespace {

// The system's receive timeout runs on the kernel's coarse timer wheel and can end a wait late by
// up to an eighth of its length and a tick or two (measured on a development machine: 24 ms late
// on 1 s, 200 ms on 3 s), where poll's timer is exact. So a blocking receive covers only the early
// part of a wait, short enough that its lateness stays inside the wait, and poll waits the rest.
constexpr uint32_t kTimerTicksMs = 30;

uint32_t BlockingPartMs(uint32_t timeoutMs) {
  const uint32_t exactTail = timeoutMs / 4 + kTimerTicksMs;
  return timeoutMs > exactTail ? timeoutMs - exactTail : 0;
}

// One recvfrom with `flags`. The datagram's length with its source in `from`; 0 for an empty
// datagram or one longer than `buffer` (MSG_TRUNC reports its real length, so it is recognised
// and dropped rather than handed on cut short), `from` untouched then; -1 with errno set when
// none was taken.
ssize_t ReceiveDatagram(int socket, std::span<uint8_t> buffer, Endpoint& from, int flags) {
  sockaddr_in source{};
  socklen_t size = sizeof source;
  const ssize_t n = ::recvfrom(socket, buffer.data(), buffer.size(), flags | MSG_TRUNC,
                               reinterpret_cast<sockaddr*>(&source), &size);
  if (n < 0) return -1;
  if (n == 0 || static_cast<size_t>(n) > buffer.size()) return 0;
  from.address = source.sin_addr.s_addr;
  from.port = source.sin_port;
  return n;
}

// Datagrams one call to the system moves at most.
constexpr size_t kBatch = 64;

// True when the socket held the system's word that a connected end's port is closed (an ICMP
// answer to an earlier datagram); reading it clears it.
bool TookPortClosed(int socket) {
  int pending = 0;
  socklen_t size = sizeof pending;
  return ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &pending, &size) == 0 &&
         pending == ECONNREFUSED;
}

}  // namespace

Status UdpSocket::Open(uint32_t bindAddress, uint16_t port) {
  const int socket = OpenBoundUdp(bindAddress, port);
  const int reason = errno;
  handle_.Reset(socket);
  receiveTimeoutMs_ = 0;
  if (!valid()) return Status::System(reason);
  return Status::Ok;
}

uint16_t UdpSocket::LocalPort() const { return valid() ? LocalPortOf(handle_.get()) : 0; }

Status UdpSocket::Connect(Endpoint remote) {
  const sockaddr_in address = SocketAddress(remote);
  if (::connect(handle_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return Status::System(errno);
  return Status::Ok;
}

int32_t UdpSocket::Send(std::span<const uint8_t> data, Endpoint to) const {
  if (!valid()) return 0;
  const sockaddr_in remote = SocketAddress(to);
  const ssize_t sent = ::sendto(handle_.get(), data.data(), data.size(), MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
  return sent < 0 ? -1 : static_cast<int32_t>(sent);
}

int32_t UdpSocket::Send(std::span<const uint8_t> data) const {
  if (!valid()) return 0;
  const ssize_t sent = ::send(handle_.get(), data.data(), data.size(), MSG_NOSIGNAL);
  return sent < 0 ? -1 : static_cast<int32_t>(sent);
}

void UdpSocket::SendBatch(std::span<const OutgoingDatagram> datagrams) const {
  if (!valid()) return;
  std::array<sockaddr_in, kBatch> addresses;
  std::array<iovec, kBatch> pieces;
  std::array<mmsghdr, kBatch> messages;
  while (!datagrams.empty()) {
    const size_t count = std::min(datagrams.size(), kBatch);
    for (size_t i = 0; i < count; ++i) {
      addresses[i] = SocketAddress(datagrams[i].to);
      pieces[i] = {const_cast<uint8_t*>(datagrams[i].bytes.data()), datagrams[i].bytes.size()};
      messages[i] = {};
      messages[i].msg_hdr.msg_name = &addresses[i];
      messages[i].msg_hdr.msg_namelen = sizeof addresses[i];
      messages[i].msg_hdr.msg_iov = &pieces[i];
      messages[i].msg_hdr.msg_iovlen = 1;
    }
    const int sent =
        ::sendmmsg(handle_.get(), messages.data(), static_cast<unsigned>(count), MSG_NOSIGNAL);
    // The system stops at a datagram it refuses: that one is dropped and the rest go on.
    datagrams = datagrams.subspan(sent > 0 ? static_cast<size_t>(sent) : 1);
  }
}

size_t UdpSocket::ReceiveBatch(std::span<IncomingDatagram> datagrams) const {
  if (!valid()) return 0;
  std::array<sockaddr_in, kBatch> sources;
  std::array<iovec, kBatch> pieces;
  std::array<mmsghdr, kBatch> messages;
  const size_t count = std::min(datagrams.size(), kBatch);
  for (size_t i = 0; i < count; ++i) {
    pieces[i] = {datagrams[i].buffer.data(), datagrams[i].buffer.size()};
    messages[i] = {};
    messages[i].msg_hdr.msg_name = &sources[i];
    messages[i].msg_hdr.msg_namelen = sizeof sources[i];
    messages[i].msg_hdr.msg_iov = &pieces[i];
    messages[i].msg_hdr.msg_iovlen = 1;
  }
  const int taken = ::recvmmsg(handle_.get(), messages.data(), static_cast<unsigned>(count),
                               MSG_DONTWAIT, nullptr);
  for (int i = 0; i < taken; ++i) {
    IncomingDatagram& datagram = datagrams[static_cast<size_t>(i)];
    const bool cut = (messages[i].msg_hdr.msg_flags & MSG_TRUNC) != 0;
    datagram.length = cut ? 0 : static_cast<int32_t>(messages[i].msg_len);
    datagram.from = {sources[i].sin_addr.s_addr, sources[i].sin_port};
  }
  return taken > 0 ? static_cast<size_t>(taken) : 0;
}

void UdpSocket::SetReceiveBuffer(size_t bytes) {
  const int size = static_cast<int>(std::min<size_t>(bytes, INT_MAX));
  ::setsockopt(handle_.get(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

int32_t UdpSocket::Receive(std::span<uint8_t> buffer, Endpoint& from) const {
  if (!valid()) return 0;
  const ssize_t n = ReceiveDatagram(handle_.get(), buffer, from, MSG_DONTWAIT);
  return n < 0 ? 0 : static_cast<int32_t>(n);
}

ReceiveResult UdpSocket::ReceiveWithin(std::span<uint8_t> buffer, Endpoint& from,
                                       uint32_t timeoutMs) {
  if (!valid()) return {WaitResult::Broken, 0};
  const auto start = std::chrono::steady_clock::now();
  // The rest of the wait, rounded up, so that the whole wait is never shorter than `timeoutMs`.
  const auto rest = [&] {
    const auto waited = std::chrono::steady_clock::now() - start;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(std::chrono::milliseconds(timeoutMs) - waited);
    return static_cast<uint32_t>(std::max<int64_t>(left.count(), 0));
  };
  const uint32_t blockingMs = BlockingPartMs(timeoutMs);
  if (blockingMs == 0 || !ArmReceiveTimeout(blockingMs)) {
    const WaitResult waited = WaitReadable(timeoutMs);
    if (waited == WaitResult::Broken && TookPortClosed(handle_.get()) && rest() > 0)
      return ReceiveWithin(buffer, from, rest());
    if (waited != WaitResult::Ready) return {waited, 0};
    return {WaitResult::Ready, Receive(buffer, from)};
  }
  const ssize_t n = ReceiveDatagram(handle_.get(), buffer, from, 0);
  if (n >= 0) return {WaitResult::Ready, static_cast<int32_t>(n)};
  // A signal cut the wait short, or the system failed.
  if (errno != EAGAIN && errno != EWOULDBLOCK && errno != ECONNREFUSED)
    return {errno == EINTR ? WaitResult::TimedOut : WaitResult::Broken, 0};
  // The blocking part ran out (or a closed port was reported): poll waits the rest.
  return ReceiveWithin(buffer, from, rest());
}

bool UdpSocket::ArmReceiveTimeout(uint32_t ms) {
  if (ms == receiveTimeoutMs_) return true;
  const timeval timeout{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>(ms % 1000 * 1000)};
  if (::setsockopt(handle_.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0)
    return false;
  receiveTimeoutMs_ = ms;
  return true;
}

}  // namespace veltrane::platform
