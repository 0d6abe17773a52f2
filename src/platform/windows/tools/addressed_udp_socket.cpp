// SPDX-License-Identifier: MIT
#include "platform/tools/addressed_udp_socket.h"

#include "unavailable.h"

namespace veltrane::platform {

// Winsock tells no datagram's local address without WSARecvMsg: one socket serves one address.
Status AddressedUdpSocket::Open(uint16_t, DatagramCalls) { return kNotOnWindows; }

Status AddressedUdpSocket::OpenShares(std::span<AddressedUdpSocket>, uint16_t, uint32_t, uint32_t) {
  return kNotOnWindows;
}

uint16_t AddressedUdpSocket::LocalPort() const { return 0; }

void AddressedUdpSocket::SetReceiveBuffer(size_t) {}

size_t AddressedUdpSocket::ReceiveBatch(std::span<AddressedDatagram>) { return 0; }

void AddressedUdpSocket::SendBatch(std::span<const AddressedDatagram>) {}

}  // namespace veltrane::platform
