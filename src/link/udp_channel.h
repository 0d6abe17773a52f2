// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "common/status.h"
#include "link/channel.h"
#include "link/target.h"
#include "platform/udp_socket.h"

namespace veltrane::link {

// A UDP socket opened for one device operation, bound to every local address and the target's
// local port, in conversation with one remote end: frames go to it, and only non-empty datagrams
// from exactly that address and port count as input.
class UdpChannel final : public Channel {
 public:
  // Creates the socket, binds it to `target.localPort` and takes the target's remote address and
  // port as the far end, connecting the socket to it where the system allows (a broadcast
  // address it does not); no socket options are set. An OsError with the system's reason (and
  // nothing left open) when the socket cannot be created or bound.
  Status Open(const Target& target);
  // Closes the socket if one is held; a second Close does nothing.
  void Close() { socket_.Close(); }
  bool IsOpen() const { return socket_.valid(); }

  bool CarriesWholeFrames() const override { return true; }
  // A datagram the system refused still counts as sent: the reply window opens all the same.
  // False only when no socket is held.
  bool Transmit(std::span<const uint8_t> frame) override {
    return (connected_ ? socket_.Send(frame) : socket_.Send(frame, remote_)) != 0;
  }
  platform::WaitResult WaitForInput(uint32_t timeoutMs) override {
    return socket_.WaitReadable(timeoutMs);
  }
  // One datagram from the remote end; 0 for none, one from elsewhere, an empty one, or one longer
  // than the buffer (it is discarded).
  size_t TakeInput(std::span<uint8_t, MaxFrameSize> buffer) override;
  // One blocking receive stands for the wait and the take (which would cost a system call each):
  // the datagram from the remote end, with TakeInput's rules for the others.
  Input AwaitInput(std::span<uint8_t, MaxFrameSize> buffer, uint32_t timeoutMs) override;

 private:
  // The usable length of a datagram of `length` bytes from `from`.
  size_t Usable(int32_t length, platform::Endpoint from) const;

  platform::UdpSocket socket_;
  platform::Endpoint remote_;  // network order
  bool connected_ = false;
};

}  // namespace veltrane::link
