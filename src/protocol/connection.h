#pragma once

#include "common/status.h"
#include "link/com_port_paths.h"
#include "link/serial_channel.h"
#include "link/target.h"
#include "link/udp_channel.h"
#include "platform/ipv4.h"

namespace veltrane::protocol {

// The one rule by which every device operation picks and opens its channel. Serial: opens COM
// port `target.comPort` at the device path `comPorts` gives it and runs `onSerial(SerialChannel&)`.
// UDP: binds `target.localPort` and runs `onUdp(UdpChannel&, address, port)` with the screen's
// address and port in network order. Refused for Transport::None (nothing is opened), OsError when
// the channel cannot be opened, otherwise what the work returned. The channel is closed before this
// returns, on every path.
template <class OnSerial, class OnUdp>
Status WithChannel(const link::Target& target, const link::ComPortPaths& comPorts,
                   OnSerial&& onSerial, OnUdp&& onUdp) {
  switch (target.transport) {
    case link::Transport::Serial: {
      link::SerialChannel channel;
      if (!channel.Open(target, comPorts)) return Status::OsError;
      const Status status = onSerial(channel);
      channel.Close();
      return status;
    }
    case link::Transport::Udp: {
      link::UdpChannel channel;
      if (!channel.Open(target)) return Status::OsError;
      const Status status =
          onUdp(channel, target.remoteAddress, platform::PortToNetwork(target.remotePort));
      channel.Close();
      return status;
    }
    case link::Transport::None:
      break;
  }
  return Status::Refused;
}

}  // namespace veltrane::protocol
