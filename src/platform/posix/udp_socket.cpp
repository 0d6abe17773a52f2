// SPDX-License-Identifier: MIT
#include "platform/udp_socket.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

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

}  // namespace

Status UdpSocket::Open(uint32_t bindAddress, uint16_t port) {
  handle_.Reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP));
  receiveTimeoutMs_ = 0;
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
  const ssize_t n = ReceiveDatagram(handle_.get(), buffer, from, MSG_DONTWAIT);
  return n < 0 ? 0 : static_cast<int32_t>(n);
}

ReceiveResult UdpSocket::ReceiveWithin(std::span<uint8_t> buffer, Endpoint& from,
                                       uint32_t timeoutMs) {
  if (!valid()) return {WaitResult::Broken, 0};
  const uint32_t blockingMs = BlockingPartMs(timeoutMs);
  if (blockingMs == 0 || !ArmReceiveTimeout(blockingMs)) {
    const WaitResult waited = WaitReadable(timeoutMs);
    if (waited != WaitResult::Ready) return {waited, 0};
    return {WaitResult::Ready, Receive(buffer, from)};
  }
  const auto start = std::chrono::steady_clock::now();
  const ssize_t n = ReceiveDatagram(handle_.get(), buffer, from, 0);
  if (n >= 0) return {WaitResult::Ready, static_cast<int32_t>(n)};
  // A signal cut the wait short, or the system failed.
  if (errno != EAGAIN && errno != EWOULDBLOCK)
    return {errno == EINTR ? WaitResult::TimedOut : WaitResult::Broken, 0};
  // The blocking part ran out: poll waits the rest, rounded up, so the whole wait is never
  // shorter than `timeoutMs`.
  const auto waited = std::chrono::steady_clock::now() - start;
  const auto rest =
      std::chrono::ceil<std::chrono::milliseconds>(std::chrono::milliseconds(timeoutMs) - waited);
  return ReceiveWithin(buffer, from, static_cast<uint32_t>(std::max<int64_t>(rest.count(), 0)));
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
