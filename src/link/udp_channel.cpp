#include "link/udp_channel.h"

#include "platform/udp_socket.h"

namespace veltrane::link {

bool UdpChannel::Open(const Target& target) {
  constexpr uint32_t kEveryLocalAddress = 0;
  socket_ = platform::OpenUdpSocket(kEveryLocalAddress, target.localPort);
  return socket_.valid();
}

void UdpChannel::Close() { socket_.Reset(); }

int32_t UdpChannel::Send(std::span<const uint8_t> data, uint32_t address, uint16_t port) {
  if (!socket_.valid()) return 0;
  return platform::SendDatagram(socket_.get(), data, {address, port});
}

int32_t UdpChannel::Receive(std::span<uint8_t> buffer, uint32_t& sourceAddress,
                            uint16_t& sourcePort) {
  if (!socket_.valid()) return 0;
  platform::Endpoint from;
  const int32_t n = platform::ReceiveDatagram(socket_.get(), buffer, from);
  if (n > 0) {
    sourceAddress = from.address;
    sourcePort = from.port;
  }
  return n;
}

platform::WaitResult UdpChannel::WaitForInput(uint32_t timeoutMs) {
  if (!socket_.valid()) return platform::WaitResult::Broken;
  return platform::WaitReadable(socket_.get(), timeoutMs);
}

size_t UdpPeer::TakeInput(std::span<uint8_t, MaxFrameSize> buffer) {
  uint32_t address = 0;
  uint16_t port = 0;
  const int32_t n = channel_.Receive(buffer, address, port);
  if (n <= 0 || address != address_ || port != port_) return 0;
  return static_cast<size_t>(n);
}

}  // namespace veltrane::link
