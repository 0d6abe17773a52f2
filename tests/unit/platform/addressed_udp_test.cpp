// SPDX-License-Identifier: MIT
// One socket serving many loopback addresses at one port, in batches and one datagram a call.
#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <vector>

#include "platform/ipv4.h"
#include "platform/tools/addressed_udp_socket.h"
#include "platform/udp_socket.h"
#include "support/udp_sockets.h"

namespace veltrane::platform {
namespace {

using Bytes = std::vector<uint8_t>;

const uint32_t kClient = ParseIpv4("127.0.0.1");
const std::array<uint32_t, 2> kServed = {ParseIpv4("127.0.1.1"), ParseIpv4("127.0.1.2")};

class AddressedUdp : public ::testing::TestWithParam<DatagramCalls> {};

// Takes `count` datagrams into `in`, waiting for them a little at a time.
size_t Take(AddressedUdpSocket& socket, std::span<AddressedDatagram> in, size_t count) {
  size_t taken = 0;
  for (int round = 0; round < 20 && taken < count; ++round) {
    if (socket.WaitReadable(100) != WaitResult::Ready) continue;
    taken += socket.ReceiveBatch(in.subspan(taken));
  }
  return taken;
}

TEST_P(AddressedUdp, TellsEachDatagramsLocalAddressAndAnswersFromIt) {
  AddressedUdpSocket served;
  ASSERT_EQ(served.Open(0, GetParam()), Status::Ok);
  const uint16_t port = PortToNetwork(served.LocalPort());
  ASSERT_NE(port, 0);
  // A client connected to each address takes datagrams from that address and port only.
  std::array<UdpSocket, 2> clients = {testing::BoundUdpSocket(kClient),
                                      testing::BoundUdpSocket(kClient)};
  for (size_t i = 0; i < clients.size(); ++i)
    ASSERT_EQ(clients[i].Connect({kServed[i], port}), Status::Ok);
  const Bytes first = {1}, tooLong(40, 2), second = {3, 4};
  clients[0].Send(first);
  clients[0].Send(tooLong);
  clients[1].Send(second);

  std::array<std::array<uint8_t, 8>, 4> buffers{};
  std::vector<AddressedDatagram> in;
  for (auto& buffer : buffers) in.push_back({buffer, -1, {}, {}, 0});
  ASSERT_EQ(Take(served, in, 3), 3u);
  EXPECT_EQ(served.ReceiveBatch(in), 0u);
  EXPECT_EQ(in[0].length, 1);
  EXPECT_EQ(in[1].length, 0);  // longer than its buffer: discarded
  EXPECT_EQ(in[2].length, 2);
  EXPECT_EQ(buffers[2][1], 4);
  const std::array<uint32_t, 3> sentTo = {kServed[0], kServed[0], kServed[1]};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(in[i].local, sentTo[i]);
    EXPECT_EQ(in[i].from, (Endpoint{kClient, PortToNetwork(clients[i / 2].LocalPort())}));
  }

  // Each answer goes out from the address it was sent to, so its connected client takes it.
  std::vector<AddressedDatagram> answers = {in[2], in[0]};
  for (AddressedDatagram& answer : answers) answer.to = answer.from;
  served.SendBatch(answers);
  for (size_t i = 0; i < clients.size(); ++i) {
    SCOPED_TRACE(i);
    std::array<uint8_t, 8> reply{};
    Endpoint from;
    const ReceiveResult got = clients[i].ReceiveWithin(reply, from, 1000);
    ASSERT_EQ(got.waited, WaitResult::Ready);
    EXPECT_EQ(got.length, i == 0 ? 1 : 2);
    EXPECT_EQ(from, (Endpoint{kServed[i], port}));
  }
}

INSTANTIATE_TEST_SUITE_P(EitherCalls, AddressedUdp,
                         ::testing::Values(DatagramCalls::Batched, DatagramCalls::OneAtATime),
                         [](const ::testing::TestParamInfo<DatagramCalls>& calls) {
                           return calls.param == DatagramCalls::Batched ? "Batched" : "OneAtATime";
                         });

TEST(AddressedUdpShares, EachSocketTakesTheDatagramsSentToItsOwnAddresses) {
  std::array<AddressedUdpSocket, 2> shares;
  ASSERT_EQ(AddressedUdpSocket::OpenShares(shares, 0, kServed[0], 1), Status::Ok);
  const uint16_t port = shares[0].LocalPort();
  ASSERT_NE(port, 0);
  EXPECT_EQ(shares[1].LocalPort(), port);
  UdpSocket client = testing::BoundUdpSocket(kClient);
  const uint32_t pastTheShares = ParseIpv4("127.0.1.3");
  const std::array<uint32_t, 7> sentTo = {kServed[0], kServed[1], kServed[0],   kServed[1],
                                          kServed[0], kServed[1], pastTheShares};
  for (const uint32_t address : sentTo) client.Send(Bytes{1}, {address, PortToNetwork(port)});

  std::array<std::array<uint8_t, 8>, 8> buffers{};
  std::vector<AddressedDatagram> in;
  for (auto& buffer : buffers) in.push_back({buffer, -1, {}, {}, 0});
  // Each share takes its own three; the one past them goes to either.
  size_t strays = 0;
  for (size_t share = 0; share < shares.size(); ++share) {
    SCOPED_TRACE(share);
    const size_t taken = Take(shares[share], in, 4);
    ASSERT_GE(taken, 3u);
    for (size_t i = 0; i < taken; ++i) {
      if (in[i].local == pastTheShares)
        ++strays;
      else
        EXPECT_EQ(in[i].local, kServed[share]);
    }
  }
  EXPECT_EQ(strays, 1u);
}

TEST(AddressedUdpShares, APortOtherSharesHoldIsInUse) {
  std::array<AddressedUdpSocket, 2> shares, others;
  ASSERT_EQ(AddressedUdpSocket::OpenShares(shares, 0, kServed[0], 1), Status::Ok);
  const Status refused =
      AddressedUdpSocket::OpenShares(others, shares[0].LocalPort(), kServed[0], 1);
  EXPECT_EQ(refused.code(), Status::OsError);
  EXPECT_EQ(refused.systemError(), EADDRINUSE);
  for (const AddressedUdpSocket& other : others) EXPECT_FALSE(other.valid());
}

}  // namespace
}  // namespace veltrane::platform
