// SPDX-License-Identifier: MIT
// The two channels on real operating-system objects: UDP sockets on 127.0.0.1 and
// pseudo-terminals standing in for COM ports.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "link/com_port_paths.h"
#include "link/open_channel.h"
#include "link/serial_channel.h"
#include "link/udp_channel.h"
#include "platform/ipv4.h"
#include "platform/serial_port.h"
#include "platform/tools/pseudo_terminal.h"
#include "platform/udp_socket.h"
#include "platform/wait.h"
#include "support/udp_sockets.h"

namespace veltrane::link {
namespace {

using Bytes = std::vector<uint8_t>;

const uint32_t kLoopback = platform::ParseIpv4("127.0.0.1");

Target UdpTarget(uint16_t localPort, uint16_t remotePort = 9) {
  Target t;
  t.transport = Transport::Udp;
  t.localPort = localPort;
  t.remoteAddress = kLoopback;
  t.remotePort = remotePort;
  return t;
}

// A peer socket on 127.0.0.1 with a port of the system's choosing.
struct Peer {
  platform::UdpSocket socket = testing::BoundUdpSocket(kLoopback);
  uint16_t port = socket.LocalPort();
};

// The address the channel sends from, as the peer sees it after one frame from the channel.
platform::Endpoint ChannelEnd(UdpChannel& channel, Peer& peer) {
  EXPECT_TRUE(channel.Transmit(Bytes{0}));
  EXPECT_EQ(peer.socket.WaitReadable(1000), platform::WaitResult::Ready);
  std::array<uint8_t, 4> first{};
  platform::Endpoint channelEnd;
  EXPECT_EQ(peer.socket.Receive(first, channelEnd), 1);
  return channelEnd;
}

TEST(UdpChannel, SendsToAndReceivesFromTheRemoteEnd) {
  Peer peer;
  UdpChannel channel;
  ASSERT_EQ(channel.Open(UdpTarget(0, peer.port)), Status::Ok);
  EXPECT_TRUE(channel.CarriesWholeFrames());
  const Bytes data = {1, 2, 3, 0x55};
  EXPECT_TRUE(channel.Transmit(data));

  ASSERT_EQ(peer.socket.WaitReadable(1000), platform::WaitResult::Ready);
  std::array<uint8_t, 16> got{};
  platform::Endpoint from;
  ASSERT_EQ(peer.socket.Receive(got, from), 4);
  EXPECT_EQ(std::memcmp(got.data(), data.data(), 4), 0);

  // Answer back: the source comes out in network order, as the address text parser gives it.
  EXPECT_EQ(from.address, kLoopback);
  const Bytes answer = {9, 8, 7};
  ASSERT_EQ(peer.socket.Send(answer, from), 3);
  ASSERT_EQ(channel.WaitForInput(1000), platform::WaitResult::Ready);
  FrameBuffer buffer{};
  ASSERT_EQ(channel.TakeInput(buffer), 3u);
  EXPECT_EQ(buffer[0], 9);
  channel.Close();
}

TEST(UdpSocket, NothingWaitingLeavesTheSourceUntouched) {
  platform::UdpSocket socket = testing::BoundUdpSocket(kLoopback);
  FrameBuffer buffer{};
  platform::Endpoint from{0xDEADBEEF, 0xBEEF};
  EXPECT_EQ(socket.Receive(buffer, from), 0);
  EXPECT_EQ(from.address, 0xDEADBEEF);
  EXPECT_EQ(from.port, 0xBEEF);
  EXPECT_EQ(socket.WaitReadable(0), platform::WaitResult::TimedOut);
}

TEST(UdpChannel, OversizedDatagramIsDroppedWhole) {
  Peer peer;
  UdpChannel channel;
  ASSERT_EQ(channel.Open(UdpTarget(0, peer.port)), Status::Ok);
  const platform::Endpoint channelEnd = ChannelEnd(channel, peer);

  const Bytes big(MaxFrameSize + 1, 0x11);
  ASSERT_EQ(peer.socket.Send(big, channelEnd), static_cast<int32_t>(big.size()));
  ASSERT_EQ(peer.socket.Send(Bytes{5}, channelEnd), 1);
  ASSERT_EQ(channel.WaitForInput(1000), platform::WaitResult::Ready);
  FrameBuffer buffer{};
  EXPECT_EQ(channel.TakeInput(buffer), 0u);  // the oversized one, discarded
  ASSERT_EQ(channel.WaitForInput(1000), platform::WaitResult::Ready);
  EXPECT_EQ(channel.TakeInput(buffer), 1u);  // the next one is intact
  EXPECT_EQ(buffer[0], 5);
}

TEST(UdpChannel, PortAlreadyBoundFailsWithTheSystemsReasonAndHoldsNothing) {
  Peer holder;
  UdpChannel channel;
  const Status refused = channel.Open(UdpTarget(holder.port));
  EXPECT_EQ(refused, Status::OsError);
  EXPECT_NE(refused.systemError(), 0);
  EXPECT_FALSE(channel.IsOpen());
  holder.socket.Close();
  EXPECT_EQ(channel.Open(UdpTarget(holder.port)), Status::Ok);  // free once the holder has gone
}

TEST(UdpChannel, UnopenedOrClosedChannelDoesNothing) {
  UdpChannel channel;
  FrameBuffer buffer{};
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "never opened" : "closed");
    EXPECT_FALSE(channel.Transmit(Bytes{1}));
    EXPECT_EQ(channel.TakeInput(buffer), 0u);
    EXPECT_EQ(channel.WaitForInput(0), platform::WaitResult::Broken);
    ASSERT_EQ(channel.Open(UdpTarget(0)), Status::Ok);
    channel.Close();
    channel.Close();  // a second close does nothing
  }
}

TEST(UdpChannel, RefusedDestinationStillCountsAsSent) {
  platform::UdpSocket socket = testing::BoundUdpSocket();
  // The limited broadcast address without broadcast permission.
  EXPECT_EQ(socket.Send(Bytes{1}, {0xFFFFFFFF, platform::PortToNetwork(6666)}), -1);
  Target broadcast = UdpTarget(0, 6666);
  broadcast.remoteAddress = 0xFFFFFFFF;
  UdpChannel channel;
  ASSERT_EQ(channel.Open(broadcast), Status::Ok);
  EXPECT_TRUE(channel.Transmit(Bytes{1}));  // the reply window opens all the same
}

// A channel in conversation with its screen, and a stranger who knows the channel's address.
struct Conversation {
  Conversation() {
    if (channel.Open(UdpTarget(0, screen.port)) == Status::Ok)
      channelEnd = ChannelEnd(channel, screen);
  }
  Peer screen;
  Peer stranger;
  UdpChannel channel;
  platform::Endpoint channelEnd;
};

TEST(UdpChannel, CountsOnlyNonEmptyDatagramsFromTheRemoteEnd) {
  Conversation c;
  ASSERT_TRUE(c.channel.IsOpen());

  c.stranger.socket.Send(Bytes{1}, c.channelEnd);
  c.screen.socket.Send(Bytes{}, c.channelEnd);
  c.screen.socket.Send(Bytes{3}, c.channelEnd);
  FrameBuffer buffer{};
  std::vector<size_t> taken;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(c.channel.WaitForInput(1000), platform::WaitResult::Ready);
    taken.push_back(c.channel.TakeInput(buffer));
  }
  EXPECT_EQ(taken, (std::vector<size_t>{0, 1}));
  EXPECT_EQ(buffer[0], 3);
  // The channel's socket is connected to the screen: the system drops the stranger's datagram.
  EXPECT_EQ(c.channel.WaitForInput(100), platform::WaitResult::TimedOut);
}

// AwaitInput waits and takes at once, under TakeInput's rules, whether the wait is short or long
// (the UDP channel waits a long one with a blocking receive).
TEST(UdpChannel, AwaitInputTakesWhatCountsAndWakesForWhatDoesNot) {
  Conversation c;
  ASSERT_TRUE(c.channel.IsOpen());
  FrameBuffer buffer{};
  EXPECT_EQ(c.channel.AwaitInput(buffer, 20).waited, platform::WaitResult::TimedOut);
  for (const uint32_t timeoutMs : {20u, 3000u}) {
    SCOPED_TRACE(timeoutMs);
    c.stranger.socket.Send(Bytes{1}, c.channelEnd);
    c.screen.socket.Send(Bytes{}, c.channelEnd);
    c.screen.socket.Send(Bytes(MaxFrameSize + 1, 0x11), c.channelEnd);
    c.screen.socket.Send(Bytes{7, 8}, c.channelEnd);
    std::vector<size_t> taken;
    for (int i = 0; i < 3; ++i) {
      const Channel::Input input = c.channel.AwaitInput(buffer, timeoutMs);
      ASSERT_EQ(input.waited, platform::WaitResult::Ready);
      taken.push_back(input.length);
    }
    EXPECT_EQ(taken, (std::vector<size_t>{0, 0, 2}));  // the stranger's never arrives
    EXPECT_EQ(buffer[1], 8);
  }
  c.channel.Close();
  EXPECT_EQ(c.channel.AwaitInput(buffer, 3000).waited, platform::WaitResult::Broken);
}

// The system's word that the screen's port is closed (an ICMP answer to the frame) ends no wait:
// the window runs its full length, short or long, as for silence.
TEST(UdpChannel, AClosedPortEndsNoWait) {
  for (const uint32_t timeoutMs : {40u, 400u}) {
    SCOPED_TRACE(timeoutMs);
    Peer gone;
    const uint16_t port = gone.port;
    gone.socket.Close();
    UdpChannel channel;
    ASSERT_EQ(channel.Open(UdpTarget(0, port)), Status::Ok);
    ASSERT_TRUE(channel.Transmit(Bytes{1}));
    FrameBuffer buffer{};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(channel.AwaitInput(buffer, timeoutMs).waited, platform::WaitResult::TimedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(timeoutMs));
  }
}

// A serial target naming a pseudo-terminal for the test's lifetime.
class SerialChannelTest : public ::testing::Test {
 protected:
  SerialChannelTest() : pty_(platform::OpenPseudoTerminal()) {
    target_.transport = Transport::Serial;
    target_.devicePath = pty_.terminalPath;
  }

  // Writes to the controller end, as a screen would.
  void ScreenSends(const Bytes& bytes) { pty_.controller.WriteAll(bytes); }

  platform::PseudoTerminal pty_;
  Target target_;
};

TEST_F(SerialChannelTest, WritesWholeBuffersAndReadsWhatIsQueued) {
  SerialChannel channel;
  ASSERT_EQ(channel.Open(target_), Status::Ok);
  EXPECT_FALSE(channel.CarriesWholeFrames());
  const Bytes request = {0x55, 0x11, 0x13, 0x0D, 0x0A, 0x03, 0x7F, 0xAA};  // XON, XOFF, CR, LF
  EXPECT_TRUE(channel.Transmit(request));
  ASSERT_EQ(pty_.controller.WaitReadable(1000), platform::WaitResult::Ready);
  std::array<uint8_t, 32> got{};
  ASSERT_EQ(pty_.controller.ReadAvailable(got), request.size());
  EXPECT_TRUE(std::equal(request.begin(), request.end(), got.begin()));  // raw: nothing changed

  FrameBuffer buffer{};
  EXPECT_EQ(channel.TakeInput(buffer), 0u);  // nothing queued: returns at once
  Bytes burst(2000);
  for (size_t i = 0; i < burst.size(); ++i) burst[i] = static_cast<uint8_t>(i);
  ScreenSends(burst);
  ASSERT_EQ(channel.WaitForInput(1000), platform::WaitResult::Ready);
  size_t total = 0;
  while (total < burst.size() && channel.WaitForInput(1000) == platform::WaitResult::Ready) {
    const size_t n = channel.TakeInput(buffer);
    ASSERT_LE(n, MaxFrameSize);  // never more than asked
    ASSERT_TRUE(std::equal(buffer.begin(), buffer.begin() + n, burst.begin() + total));
    total += n;
  }
  EXPECT_EQ(total, burst.size());
}

TEST_F(SerialChannelTest, SecondOpenOfAHeldPortFails) {
  SerialChannel first;
  SerialChannel second;
  ASSERT_EQ(first.Open(target_), Status::Ok);
  const Status held = second.Open(target_);
  EXPECT_EQ(held, Status::OsError);
  EXPECT_EQ(held.systemError(), EBUSY);  // the system's word for a device in use
  first.Close();
  EXPECT_EQ(second.Open(target_), Status::Ok);
}

TEST_F(SerialChannelTest, TheDevicePathAloneNamesTheLine) {
  Target byPath;
  byPath.transport = Transport::Serial;
  byPath.devicePath = pty_.terminalPath;
  SerialChannel channel;
  ASSERT_EQ(channel.Open(byPath), Status::Ok);
  EXPECT_TRUE(channel.Transmit(Bytes{0x55}));
  EXPECT_EQ(pty_.controller.WaitReadable(1000), platform::WaitResult::Ready);
}

TEST_F(SerialChannelTest, StaleBytesFromBeforeTheOpenAreDropped) {
  ScreenSends({0x55, 0x01, 0x02, 0xAA});
  SerialChannel channel;
  ASSERT_EQ(channel.Open(target_), Status::Ok);
  EXPECT_EQ(channel.WaitForInput(50), platform::WaitResult::TimedOut);
}

TEST_F(SerialChannelTest, ClosedOrUnopenedChannelDoesNothing) {
  SerialChannel channel;
  FrameBuffer buffer{};
  EXPECT_FALSE(channel.Transmit(Bytes{1}));
  EXPECT_EQ(channel.TakeInput(buffer), 0u);
  ASSERT_EQ(channel.Open(target_), Status::Ok);
  channel.Close();
  channel.Close();
  EXPECT_FALSE(channel.Transmit(Bytes{1}));
  EXPECT_EQ(channel.TakeInput(buffer), 0u);
  EXPECT_EQ(channel.WaitForInput(0), platform::WaitResult::Broken);
}

TEST(SerialChannel, AbsentDeviceOrNoDevicePathDoesNotOpen) {
  Target t;
  t.transport = Transport::Serial;  // no device stands for its COM port
  SerialChannel channel;
  EXPECT_EQ(channel.Open(t), Status::OsError);
  EXPECT_FALSE(channel.IsOpen());
  t.devicePath = "/nonexistent/tty-for-veltrane";
  const Status absent = channel.Open(t);
  EXPECT_EQ(absent, Status::OsError);
  EXPECT_EQ(absent.systemError(), ENOENT);
}

// The one place a transport is chosen: the channel it opens is the kind the target names.
TEST_F(SerialChannelTest, OpenChannelOpensTheKindTheTargetNames) {
  const OpenedChannel serial = OpenChannel(target_);
  ASSERT_EQ(serial.status, Status::Ok);
  ASSERT_NE(serial.channel, nullptr);
  EXPECT_FALSE(serial.channel->CarriesWholeFrames());

  const OpenedChannel udp = OpenChannel(UdpTarget(0));
  ASSERT_EQ(udp.status, Status::Ok);
  ASSERT_NE(udp.channel, nullptr);
  EXPECT_TRUE(udp.channel->CarriesWholeFrames());

  Target none = target_;
  none.transport = Transport::None;
  const OpenedChannel refused = OpenChannel(none);
  EXPECT_EQ(refused.status, Status::BadArgument);
  EXPECT_EQ(refused.channel, nullptr);

  // The port is held by the serial channel opened above.
  const OpenedChannel held = OpenChannel(target_);
  EXPECT_EQ(held.status, Status::OsError);
  EXPECT_EQ(held.channel, nullptr);
}

TEST(ComPortPaths, MappingAndDefaults) {
  ComPortPaths paths;
  EXPECT_EQ(paths.PathOf(1), "/dev/ttyS0");
  EXPECT_EQ(paths.PathOf(12), "/dev/ttyS11");
  EXPECT_EQ(paths.PathOf(255), "/dev/ttyS254");
  for (int32_t port : {0, -1, 256}) EXPECT_FALSE(paths.PathOf(port)) << port;
  EXPECT_TRUE(paths.Set(12, "/dev/ttyUSB0"));
  EXPECT_EQ(paths.PathOf(12), "/dev/ttyUSB0");
  EXPECT_TRUE(paths.Set(12, nullptr));
  EXPECT_EQ(paths.PathOf(12), "/dev/ttyS11");
  EXPECT_FALSE(paths.Set(0, "/dev/null"));
  EXPECT_FALSE(paths.Set(256, "/dev/null"));
}

}  // namespace
}  // namespace veltrane::link
