// SPDX-License-Identifier: MIT
#include "support/raw_screen.h"

#include "link/frame_codec.h"
#include "platform/ipv4.h"
#include "platform/wait.h"
#include "support/udp_sockets.h"

namespace veltrane::testing {

RawScreen::RawScreen()
    : fd_(testing::BoundUdpSocket(platform::ParseIpv4("127.0.0.1"))), port_(fd_.LocalPort()) {}

link::Target RawScreen::Target(uint8_t devAddr) const {
  link::Target t;
  t.transport = link::Transport::Udp;
  t.remoteAddress = platform::ParseIpv4("127.0.0.1");
  t.remotePort = port_;
  t.devAddr = devAddr;
  return t;
}

std::vector<uint8_t> RawScreen::NextRequest(platform::Endpoint& from, uint32_t timeoutMs) {
  if (fd_.WaitReadable(timeoutMs) != platform::WaitResult::Ready) return {};
  std::vector<uint8_t> datagram(link::MaxFrameSize);
  const int32_t n = fd_.Receive(datagram, from);
  datagram.resize(static_cast<size_t>(n > 0 ? n : 0));
  return datagram;
}

bool RawScreen::QuietFor(uint32_t timeoutMs) {
  return fd_.WaitReadable(timeoutMs) == platform::WaitResult::TimedOut;
}

void RawScreen::Send(const std::vector<uint8_t>& bytes, platform::Endpoint to) {
  fd_.Send(bytes, to);
}

}  // namespace veltrane::testing
