#pragma once

#include <cstdint>
#include <span>

#include "link/channel.h"
#include "link/target.h"
#include "platform/unique_fd.h"

namespace veltrane::link {

// A UDP socket opened for one device operation, bound to every local address and the target's
// local port. Addresses and ports cross this interface in network byte order.
class UdpChannel {
 public:
  // Creates the socket and binds it to `target.localPort`; no socket options are set. False (with
  // nothing left open) when the socket cannot be created or bound.
  bool Open(const Target& target);
  // Closes the socket if one is held.
  void Close();
  bool IsOpen() const { return socket_.valid(); }

  // Sends one datagram to `address`:`port`. Returns the byte count sent, -1 when the system
  // refused it, 0 without sending when no socket is held.
  int32_t Send(std::span<const uint8_t> data, uint32_t address, uint16_t port);
  // Takes one waiting datagram without blocking and reports its source. Returns its length, or 0
  // when none was waiting, no socket is held, or the datagram was longer than `buffer` (it is
  // then discarded). The source is written only when a datagram is returned.
  int32_t Receive(std::span<uint8_t> buffer, uint32_t& sourceAddress, uint16_t& sourcePort);

  platform::WaitResult WaitForInput(uint32_t timeoutMs);

 private:
  platform::UniqueFd socket_;
};

// A UDP channel seen as a conversation with one remote end: frames go to it, and only non-empty
// datagrams from exactly that address and port count as input.
class UdpPeer final : public Channel {
 public:
  UdpPeer(UdpChannel& channel, uint32_t address, uint16_t port)
      : channel_(channel), address_(address), port_(port) {}

  bool CarriesWholeFrames() const override { return true; }
  // A failed send (-1) still counts as sent: the reply window opens all the same.
  bool Transmit(std::span<const uint8_t> frame) override {
    return channel_.Send(frame, address_, port_) != 0;
  }
  platform::WaitResult WaitForInput(uint32_t timeoutMs) override {
    return channel_.WaitForInput(timeoutMs);
  }
  size_t TakeInput(std::span<uint8_t, MaxFrameSize> buffer) override;

 private:
  UdpChannel& channel_;
  uint32_t address_;
  uint16_t port_;
};

}  // namespace veltrane::link
