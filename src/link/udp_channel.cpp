#include "link/udp_channel.h"

#include "platform/ipv4.h"

namespace veltrane::link {

Status UdpChannel::Open(const Target& target) {
  constexpr uint32_t kEveryLocalAddress = 0;
  remote_ = {target.remoteAddress, platform::PortToNetwork(target.remotePort)};
  return socket_.Open(kEveryLocalAddress, target.localPort);
}

size_t UdpChannel::TakeInput(std::span<uint8_t, MaxFrameSize> buffer) {
  platform::Endpoint from;
  const int32_t n = socket_.Receive(buffer, from);
  if (n <= 0 || from != remote_) return 0;
  return static_cast<size_t>(n);
}

}  // namespace veltrane::link
