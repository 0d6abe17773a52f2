// The two channels on real operating-system objects: UDP sockets on 127.0.0.1 and
// pseudo-terminals standing in for COM ports.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "link/com_port_paths.h"
#include "link/serial_channel.h"
#include "link/udp_channel.h"
#include "platform/ipv4.h"
#include "platform/serial_port.h"
#include "platform/udp_socket.h"
#include "platform/wait.h"

namespace veltrane::link {
namespace {

using Bytes = std::vector<uint8_t>;

const uint32_t kLoopback = platform::ParseIpv4("127.0.0.1");

Target UdpTarget(uint16_t localPort) {
  Target t;
  t.transport = Transport::Udp;
  t.localPort = localPort;
  return t;
}

// A peer socket on 127.0.0.1 with a port of the system's choosing.
struct Peer {
  platform::UniqueFd fd = platform::OpenUdpSocket(kLoopback, 0);
  uint16_t port = platform::LocalPort(fd.get());
};

TEST(UdpChannel, SendsToAndReceivesFromExplicitEndpoints) {
  Peer peer;
  UdpChannel channel;
  ASSERT_TRUE(channel.Open(UdpTarget(0)));
  const Bytes data = {1, 2, 3, 0x55};
  EXPECT_EQ(channel.Send(data, kLoopback, platform::PortToNetwork(peer.port)), 4);

  ASSERT_EQ(platform::WaitReadable(peer.fd.get(), 1000), platform::WaitResult::Ready);
  std::array<uint8_t, 16> got{};
  platform::Endpoint from;
  ASSERT_EQ(platform::ReceiveDatagram(peer.fd.get(), got, from), 4);
  EXPECT_EQ(std::memcmp(got.data(), data.data(), 4), 0);

  // Answer back: the source comes out in network order, as the address text parser gives it.
  const Bytes answer = {9, 8, 7};
  ASSERT_EQ(platform::SendDatagram(peer.fd.get(), answer, from), 3);
  ASSERT_EQ(channel.WaitForInput(1000), platform::WaitResult::Ready);
  FrameBuffer buffer{};
  uint32_t address = 0;
  uint16_t port = 0;
  ASSERT_EQ(channel.Receive(buffer, address, port), 3);
  EXPECT_EQ(address, kLoopback);
  EXPECT_EQ(port, platform::PortToNetwork(peer.port));
  channel.Close();
}

TEST(UdpChannel, NothingWaitingLeavesTheSourceUntouched) {
  UdpChannel channel;
  ASSERT_TRUE(channel.Open(UdpTarget(0)));
  FrameBuffer buffer{};
  uint32_t address = 0xDEADBEEF;
  uint16_t port = 0xBEEF;
  EXPECT_EQ(channel.Receive(buffer, address, port), 0);
  EXPECT_EQ(address, 0xDEADBEEF);
  EXPECT_EQ(port, 0xBEEF);
  EXPECT_EQ(channel.WaitForInput(0), platform::WaitResult::TimedOut);
}

TEST(UdpChannel, OversizedDatagramIsDroppedWhole) {
  Peer peer;
  UdpChannel channel;
  ASSERT_TRUE(channel.Open(UdpTarget(0)));
  // Learn the channel's port by sending to the peer.
  channel.Send(Bytes{0}, kLoopback, platform::PortToNetwork(peer.port));
  platform::WaitReadable(peer.fd.get(), 1000);
  std::array<uint8_t, 4> first{};
  platform::Endpoint channelEnd;
  ASSERT_EQ(platform::ReceiveDatagram(peer.fd.get(), first, channelEnd), 1);

  const Bytes big(MaxFrameSize + 1, 0x11);
  ASSERT_EQ(platform::SendDatagram(peer.fd.get(), big, channelEnd),
            static_cast<int32_t>(big.size()));
  ASSERT_EQ(platform::SendDatagram(peer.fd.get(), Bytes{5}, channelEnd), 1);
  ASSERT_EQ(channel.WaitForInput(1000), platform::WaitResult::Ready);
  FrameBuffer buffer{};
  uint32_t address = 0;
  uint16_t port = 0;
  EXPECT_EQ(channel.Receive(buffer, address, port), 0);  // the oversized one, discarded
  ASSERT_EQ(channel.WaitForInput(1000), platform::WaitResult::Ready);
  EXPECT_EQ(channel.Receive(buffer, address, port), 1);  // the next one is intact
  EXPECT_EQ(buffer[0], 5);
}

TEST(UdpChannel, PortAlreadyBoundFailsAndHoldsNothing) {
  Peer holder;
  UdpChannel channel;
  EXPECT_FALSE(channel.Open(UdpTarget(holder.port)));
  EXPECT_FALSE(channel.IsOpen());
  holder.fd.Reset();
  EXPECT_TRUE(channel.Open(UdpTarget(holder.port)));  // free again once the holder has gone
}

TEST(UdpChannel, UnopenedOrClosedChannelDoesNothing) {
  UdpChannel channel;
  FrameBuffer buffer{};
  uint32_t address = 0;
  uint16_t port = 0;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "never opened" : "closed");
    EXPECT_EQ(channel.Send(Bytes{1}, kLoopback, platform::PortToNetwork(9)), 0);
    EXPECT_EQ(channel.Receive(buffer, address, port), 0);
    EXPECT_EQ(channel.WaitForInput(0), platform::WaitResult::Broken);
    ASSERT_TRUE(channel.Open(UdpTarget(0)));
    channel.Close();
    channel.Close();  // a second close does nothing
  }
}

TEST(UdpChannel, RefusedDestinationGivesMinusOne) {
  UdpChannel channel;
  ASSERT_TRUE(channel.Open(UdpTarget(0)));
  // The limited broadcast address without broadcast permission.
  EXPECT_EQ(channel.Send(Bytes{1}, 0xFFFFFFFF, platform::PortToNetwork(6666)), -1);
}

TEST(UdpPeer, CountsOnlyNonEmptyDatagramsFromTheRemoteEnd) {
  Peer screen;
  Peer stranger;
  UdpChannel channel;
  ASSERT_TRUE(channel.Open(UdpTarget(0)));
  UdpPeer peer(channel, kLoopback, platform::PortToNetwork(screen.port));
  ASSERT_TRUE(peer.Transmit(Bytes{0x42}));
  ASSERT_EQ(platform::WaitReadable(screen.fd.get(), 1000), platform::WaitResult::Ready);
  std::array<uint8_t, 4> got{};
  platform::Endpoint channelEnd;
  ASSERT_EQ(platform::ReceiveDatagram(screen.fd.get(), got, channelEnd), 1);

  platform::SendDatagram(stranger.fd.get(), Bytes{1}, channelEnd);
  platform::SendDatagram(screen.fd.get(), Bytes{}, channelEnd);
  platform::SendDatagram(screen.fd.get(), Bytes{3}, channelEnd);
  FrameBuffer buffer{};
  std::vector<size_t> taken;
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(peer.WaitForInput(1000), platform::WaitResult::Ready);
    taken.push_back(peer.TakeInput(buffer));
  }
  EXPECT_EQ(taken, (std::vector<size_t>{0, 0, 1}));
  EXPECT_EQ(buffer[0], 3);
}

// A COM port mapped onto a pseudo-terminal for the test's lifetime.
class SerialChannelTest : public ::testing::Test {
 protected:
  static constexpr int32_t kPort = 200;

  SerialChannelTest() : pty_(platform::OpenPseudoTerminal()) {
    comPorts_.Set(kPort, pty_.terminalPath.c_str());
    target_.transport = Transport::Serial;
    target_.comPort = kPort;
  }

  // Writes to the controller end, as a screen would.
  void ScreenSends(const Bytes& bytes) { platform::WriteAll(pty_.controller.get(), bytes); }

  platform::PseudoTerminal pty_;
  ComPortPaths comPorts_;
  Target target_;
};

TEST_F(SerialChannelTest, WritesWholeBuffersAndReadsWhatIsQueued) {
  SerialChannel channel;
  ASSERT_TRUE(channel.Open(target_, comPorts_));
  const Bytes request = {0x55, 0x11, 0x13, 0x0D, 0x0A, 0x03, 0x7F, 0xAA};  // XON, XOFF, CR, LF
  EXPECT_EQ(channel.Write(request), request.size());
  ASSERT_EQ(platform::WaitReadable(pty_.controller.get(), 1000), platform::WaitResult::Ready);
  std::array<uint8_t, 32> got{};
  ASSERT_EQ(platform::ReadAvailable(pty_.controller.get(), got), request.size());
  EXPECT_TRUE(std::equal(request.begin(), request.end(), got.begin()));  // raw: nothing changed

  FrameBuffer buffer{};
  EXPECT_EQ(channel.Read(buffer), 0u);  // nothing queued: returns at once
  Bytes burst(2000);
  for (size_t i = 0; i < burst.size(); ++i) burst[i] = static_cast<uint8_t>(i);
  ScreenSends(burst);
  ASSERT_EQ(channel.WaitForInput(1000), platform::WaitResult::Ready);
  size_t total = 0;
  while (total < burst.size() && channel.WaitForInput(1000) == platform::WaitResult::Ready) {
    const uint32_t n = channel.Read(buffer);
    ASSERT_LE(n, MaxFrameSize);  // never more than asked
    ASSERT_TRUE(std::equal(buffer.begin(), buffer.begin() + n, burst.begin() + total));
    total += n;
  }
  EXPECT_EQ(total, burst.size());
}

TEST_F(SerialChannelTest, SecondOpenOfAHeldPortFails) {
  SerialChannel first;
  SerialChannel second;
  ASSERT_TRUE(first.Open(target_, comPorts_));
  EXPECT_FALSE(second.Open(target_, comPorts_));
  first.Close();
  EXPECT_TRUE(second.Open(target_, comPorts_));
}

TEST_F(SerialChannelTest, StaleBytesFromBeforeTheOpenAreDropped) {
  ScreenSends({0x55, 0x01, 0x02, 0xAA});
  SerialChannel channel;
  ASSERT_TRUE(channel.Open(target_, comPorts_));
  EXPECT_EQ(channel.WaitForInput(50), platform::WaitResult::TimedOut);
}

TEST_F(SerialChannelTest, ClosedOrUnopenedChannelDoesNothing) {
  SerialChannel channel;
  FrameBuffer buffer{};
  EXPECT_EQ(channel.Write(Bytes{1}), 0u);
  EXPECT_EQ(channel.Read(buffer), 0u);
  ASSERT_TRUE(channel.Open(target_, comPorts_));
  channel.Close();
  channel.Close();
  EXPECT_EQ(channel.Write(Bytes{1}), 0u);
  EXPECT_EQ(channel.Read(buffer), 0u);
  EXPECT_EQ(channel.WaitForInput(0), platform::WaitResult::Broken);
}

TEST(SerialChannel, AbsentDeviceOrUnmappablePortDoesNotOpen) {
  ComPortPaths paths;
  Target t;
  t.transport = Transport::Serial;
  for (int32_t port : {0, -1, 256}) {
    SCOPED_TRACE(port);
    t.comPort = port;
    SerialChannel channel;
    EXPECT_FALSE(channel.Open(t, paths));
  }
  ASSERT_TRUE(paths.Set(201, "/nonexistent/tty-for-veltrane"));
  t.comPort = 201;
  SerialChannel channel;
  EXPECT_FALSE(channel.Open(t, paths));
}

TEST(SerialChannel, SpeedTable) {
  const std::pair<int32_t, int32_t> cases[] = {{0, 9600},  {1, 19200},        {2, 38400},
                                               {3, 57600}, {4, 115200},       {-1, 57600},
                                               {5, 57600}, {INT32_MIN, 57600}};
  for (const auto& [index, speed] : cases) EXPECT_EQ(LineSpeed(index), speed) << index;
}

TEST(ComPortPaths, MappingAndDefaults) {
  ComPortPaths paths;
  EXPECT_EQ(paths.PathOf(1), "/dev/ttyS0");
  EXPECT_EQ(paths.PathOf(12), "/dev/ttyS11");
  EXPECT_EQ(paths.PathOf(255), "/dev/ttyS254");
  EXPECT_FALSE(paths.PathOf(0));
  EXPECT_FALSE(paths.PathOf(256));
  EXPECT_TRUE(paths.Set(12, "/dev/ttyUSB0"));
  EXPECT_EQ(paths.PathOf(12), "/dev/ttyUSB0");
  EXPECT_TRUE(paths.Set(12, nullptr));
  EXPECT_EQ(paths.PathOf(12), "/dev/ttyS11");
  EXPECT_FALSE(paths.Set(0, "/dev/null"));
  EXPECT_FALSE(paths.Set(256, "/dev/null"));
}

}  // namespace
}  // namespace veltrane::link
