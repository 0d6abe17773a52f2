// SPDX-License-Identifier: MIT
// Datagrams moved in batches and sockets waited on together, over loopback.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/ipv4.h"
#include "platform/udp_socket.h"
#include "platform/wait.h"
#include "support/udp_sockets.h"

namespace veltrane::platform {
namespace {

using Bytes = std::vector<uint8_t>;

const uint32_t kLoopback = ParseIpv4("127.0.0.1");

Endpoint EndOf(const UdpSocket& socket) { return {kLoopback, PortToNetwork(socket.LocalPort())}; }

TEST(UdpBatch, EveryDatagramGoesInOrderAndOneRefusedIsDropped) {
  const UdpSocket sender = testing::BoundUdpSocket(kLoopback);
  const UdpSocket receiver = testing::BoundUdpSocket(kLoopback);
  const Bytes first = {1}, refused = {2}, tooLong(40, 3), last = {4, 5};
  // The limited broadcast address without broadcast permission is refused by the system.
  const std::vector<OutgoingDatagram> out = {{first, EndOf(receiver)},
                                             {refused, {0xFFFFFFFF, PortToNetwork(6666)}},
                                             {tooLong, EndOf(receiver)},
                                             {last, EndOf(receiver)}};
  sender.SendBatch(out);
  ASSERT_EQ(receiver.WaitReadable(1000), WaitResult::Ready);
  std::array<std::array<uint8_t, 8>, 5> buffers{};
  std::vector<IncomingDatagram> in;
  for (auto& buffer : buffers) in.push_back({buffer, -1, {}});
  size_t taken = 0;
  for (int round = 0; round < 10 && taken < 3; ++round) {
    taken += receiver.ReceiveBatch(std::span(in).subspan(taken));
    if (taken < 3) receiver.WaitReadable(100);
  }
  ASSERT_EQ(taken, 3u);
  EXPECT_EQ(in[0].length, 1);
  EXPECT_EQ(in[0].from, EndOf(sender));
  EXPECT_EQ(in[1].length, 0);  // longer than its buffer: discarded
  EXPECT_EQ(in[2].length, 2);
  EXPECT_EQ(buffers[2][1], 5);
  EXPECT_EQ(receiver.ReceiveBatch(in), 0u);
}

TEST(WaitForAny, SaysWhichSourcesAreReady) {
  const UdpSocket quiet = testing::BoundUdpSocket(kLoopback);
  const UdpSocket spoken = testing::BoundUdpSocket(kLoopback);
  const UdpSocket closed;
  const std::array<const Waitable*, 4> sources = {&quiet, nullptr, &closed, &spoken};
  std::array<bool, 4> ready{};
  EXPECT_FALSE(WaitForAny(sources, ready, 20));
  quiet.Send(Bytes{1}, EndOf(spoken));
  EXPECT_TRUE(WaitForAny(sources, ready, 1000));
  EXPECT_EQ(ready, (std::array<bool, 4>{false, false, false, true}));
}

}  // namespace
}  // namespace veltrane::platform
