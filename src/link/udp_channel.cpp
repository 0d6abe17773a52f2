// SPDX-License-Identifier: MIT
#include "link/udp_channel.h"

#include "platform/ipv4.h"

namespace veltrane::link {

Status UdpChannel::Open(const Target& target) {
  constexpr uint32_t kEveryLocalAddress = 0;
  remote_ = {target.remoteAddress, platform::PortToNetwork(target.remotePort)};
  const Status opened = socket_.Open(kEveryLocalAddress, target.localPort);
  // Unconnected, every datagram names the far end and every arrival is tested here alone.
  connected_ = opened == Status::Ok && socket_.Connect(remote_) == Status::Ok;
  return opened;
}

size_t UdpChannel::TakeInput(std::span<uint8_t, MaxFrameSize> buffer) {
  platform::Endpoint from;
  return Usable(socket_.Receive(buffer, from), from);
}

Channel::Input UdpChannel::AwaitInput(std::span<uint8_t, MaxFrameSize> buffer, uint32_t timeoutMs) {
  platform::Endpoint from;
  const platform::ReceiveResult received = socket_.ReceiveWithin(buffer, from, timeoutMs);
  return {received.waited, Usable(received.length, from)};
}

size_t UdpChannel::Usable(int32_t length, platform::Endpoint from) const {
  if (length <= 0 || from != remote_) return 0;
  return static_cast<size_t>(length);
}

}  // namespace veltrane::link
