// SPDX-License-Identifier: MIT
#include "link/open_channel.h"

#include "link/serial_channel.h"
#include "link/udp_channel.h"

namespace veltrane::link {
namespace {

template <class Kind>
OpenedChannel Open(const Target& target) {
  auto channel = std::make_unique<Kind>();
  const Status status = channel->Open(target);
  if (status != Status::Ok) return {nullptr, status};
  return {std::move(channel), status};
}

}  // namespace

OpenedChannel OpenChannel(const Target& target) {
  switch (target.transport) {
    case Transport::Serial:
      return Open<SerialChannel>(target);
    case Transport::Udp:
      return Open<UdpChannel>(target);
    case Transport::None:
      break;
  }
  return {nullptr, {Status::BadArgument, "the descriptor names no known device type"}};
}

}  // namespace veltrane::link
