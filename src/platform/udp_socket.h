// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "common/status.h"
#include "platform/wait.h"

namespace veltrane::platform {

// An IPv4 address and port as they travel in packets: both in network byte order.
struct Endpoint {
  uint32_t address = 0;
  uint16_t port = 0;
  bool operator==(const Endpoint&) const = default;
};

// What a receive that may wait saw: how the wait ended and, when a datagram came (Ready), its
// length, which is 0 for an empty datagram or one longer than the buffer (that one is discarded).
struct ReceiveResult {
  WaitResult waited = WaitResult::TimedOut;
  int32_t length = 0;
};

// A datagram a batch sends: its bytes and where they go.
struct OutgoingDatagram {
  std::span<const uint8_t> bytes;
  Endpoint to;
};

// Room for a datagram a batch takes: the buffer and, once taken, its length (0 for an empty
// datagram or one longer than the buffer, which is discarded) and its source.
struct IncomingDatagram {
  std::span<uint8_t> buffer;
  int32_t length = 0;
  Endpoint from;
};

// A UDP socket. Closed until opened.
class UdpSocket final : public Waitable {
 public:
  // Creates the socket bound to `bindAddress` (network order; 0 is every local address) and
  // `port` (host order; 0 lets the system choose), in place of any socket held. No options are
  // set. An OsError with the system's reason when creating or binding fails; nothing is left
  // open then.
  Status Open(uint32_t bindAddress, uint16_t port);

  // The local port (host order) the socket is bound to, or 0.
  uint16_t LocalPort() const;

  // From now on sends to `remote` without naming it and takes datagrams from there only: the
  // system does the source test and keeps the route, so each send costs less; nothing changes
  // on the wire. An OsError (the socket as it was) when the system refuses, as it does for a
  // broadcast address.
  Status Connect(Endpoint remote);

  // Sends one datagram. Returns the byte count sent, -1 when the system refused it, 0 without
  // sending when the socket is not open.
  int32_t Send(std::span<const uint8_t> data, Endpoint to) const;
  // The same, to the end the socket is connected to.
  int32_t Send(std::span<const uint8_t> data) const;

  // Sends every datagram, in order and as few calls to the system as it allows. One the system
  // refuses is dropped, as a refused Send would be.
  void SendBatch(std::span<const OutgoingDatagram> datagrams) const;
  // Takes waiting datagrams without blocking, as many as `datagrams` has room for and in as few
  // calls as the system allows. The count taken; 0 when none was waiting or the socket is not
  // open.
  size_t ReceiveBatch(std::span<IncomingDatagram> datagrams) const;
  // Asks the system to hold up to `bytes` of datagrams not yet taken (best effort: it may cap
  // the size), for a socket that many peers answer at once.
  void SetReceiveBuffer(size_t bytes);

  // Takes one waiting datagram without blocking. Returns its length with its source in `from`;
  // 0 when none is waiting, on failure, when the socket is not open, or when the datagram was
  // longer than `buffer` (then it is discarded). `from` is written only when a datagram is
  // returned.
  int32_t Receive(std::span<uint8_t> buffer, Endpoint& from) const;

  // Waits for a datagram as WaitReadable(`timeoutMs`) would, and takes it: in one system call
  // when it comes early in the wait (a request's answer does), with no separate wait before the
  // read. `from` is written only when a datagram is returned. Broken when the socket is not open
  // or the system failed. On a connected socket the system's word that the far end's port is
  // closed is taken as no datagram, and the wait goes on.
  ReceiveResult ReceiveWithin(std::span<uint8_t> buffer, Endpoint& from, uint32_t timeoutMs);

 private:
  // Sets the system's receive timeout unless it is set to `ms` already; false when refused.
  bool ArmReceiveTimeout(uint32_t ms);

  uint32_t receiveTimeoutMs_ = 0;  // the system's receive timeout on the socket; 0 is none
};

}  // namespace veltrane::platform
