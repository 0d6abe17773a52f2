// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/status.h"
#include "platform/udp_socket.h"
#include "platform/wait.h"

namespace veltrane::platform {

// A datagram an AddressedUdpSocket moves. Taken: `buffer` is its room, and the receive sets
// `length` (0 for an empty datagram or one longer than the buffer, which is discarded), `from`
// and `local`, the local address it was sent to. Sent: the first `length` bytes of `buffer` go
// to `to`, from the local address `local` (0: the system's choice).
struct AddressedDatagram {
  std::span<uint8_t> buffer;
  int32_t length = 0;
  Endpoint from;
  Endpoint to;
  uint32_t local = 0;
};

// How an AddressedUdpSocket calls the system: many datagrams a call (recvmmsg, sendmmsg), or one
// a call, which it falls back to by itself where the system lacks the batched calls.
enum class DatagramCalls { Batched, OneAtATime };

// A UDP socket bound to every local address at one port, which tells each datagram's local
// address and answers from the address it is told: one socket serves many addresses (all of
// 127.0.0.0/8, say), and the datagrams of all of them move in the same calls. Its datagrams
// leave unfragmented: one longer than the outgoing device takes is refused. On Windows it does
// not open (it says it is not available there).
class AddressedUdpSocket final : public Waitable {
 public:
  // Creates the socket bound to every local address at `port` (host order; 0 lets the system
  // choose), in place of any socket held. An OsError with the system's reason when it cannot;
  // nothing is left open then.
  Status Open(uint16_t port, DatagramCalls calls = DatagramCalls::Batched);
  // Opens every one of `sockets` at one port (`port`, or one the system chooses when 0), each
  // bound to every local address as Open binds it but taking only the datagrams sent to its own
  // share of consecutive addresses: the first socket those sent to `addressesEach` addresses
  // from `firstAddress` (network order), the next the ones to the following `addressesEach`, and
  // so on. Threads that each serve one of them then share the work of many addresses without
  // sharing a socket. A datagram to an address before or past the shares goes to any one of them.
  // An OsError with the system's reason when the system cannot open them so,
  // or the port is in use, as Open says (on Windows it says it is not available there); nothing
  // is left open then.
  static Status OpenShares(std::span<AddressedUdpSocket> sockets, uint16_t port,
                           uint32_t firstAddress, uint32_t addressesEach);
  // The local port (host order) the socket is bound to, or 0.
  uint16_t LocalPort() const;
  // Asks the system to hold up to `bytes` of datagrams not yet taken (best effort).
  void SetReceiveBuffer(size_t bytes);

  // Takes waiting datagrams without blocking, as many as `datagrams` has room for. The count
  // taken; 0 when none was waiting or the socket is not open.
  size_t ReceiveBatch(std::span<AddressedDatagram> datagrams);
  // Sends every datagram, in order. One the system refuses is dropped, as with UdpSocket.
  void SendBatch(std::span<const AddressedDatagram> datagrams);

 private:
  // Takes `socket` (a system descriptor, or -1 after `openError`), bound to every local address,
  // as the one this holds.
  Status Adopt(int socket, int openError, DatagramCalls calls);
  static Status BindShares(std::span<AddressedUdpSocket> sockets, uint16_t port,
                           uint32_t firstAddress, uint32_t addressesEach);
  size_t ReceiveOneAtATime(std::span<AddressedDatagram> datagrams) const;
  void SendOneAtATime(std::span<const AddressedDatagram> datagrams) const;

  DatagramCalls calls_ = DatagramCalls::Batched;
};

}  // namespace veltrane::platform
