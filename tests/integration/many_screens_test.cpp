// SPDX-License-Identifier: MIT
// One simulator serving many screens over loopback UDP, and a pseudo-terminal paced like a line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/busy_count.h"
#include "link/frame_codec.h"
#include "platform/clock.h"
#include "platform/ipv4.h"
#include "platform/udp_socket.h"
#include "protocol/device_commands.h"
#include "protocol/fleet.h"
#include "protocol/packets.h"
#include "protocol/upload.h"
#include "sim/simulator.h"
#include "support/test_programs.h"
#include "support/udp_sockets.h"

namespace veltrane {
namespace {

// The real clock and a busy count of the test's own, for device operations.
protocol::DeviceContext Devices() {
  static BusyCount busy;
  return {platform::SystemClock(), busy};
}

const uint32_t kLoopback = platform::ParseIpv4("127.0.0.1");

// `count` screens on ports of the system's choosing, answering addresses 1, 2, 3...
sim::SimulatorOptions ManyScreens(uint32_t count, sim::Faults faults = {}) {
  sim::SimulatorOptions options;
  options.screens = count;
  options.consecutiveAddresses = true;
  options.udpPort = 0;
  options.faults = faults;
  return options;
}

link::Target UdpTarget(const sim::Simulator& simulator, size_t screen) {
  link::Target target;
  target.transport = link::Transport::Udp;
  target.remoteAddress = simulator.udpAddress(screen);
  target.remotePort = simulator.udpPort(screen);
  target.devAddr = simulator.address(screen);
  return target;
}

platform::Endpoint ScreenEnd(const sim::Simulator& simulator, size_t screen) {
  return {simulator.udpAddress(screen), platform::PortToNetwork(simulator.udpPort(screen))};
}

void SendRequest(const platform::UdpSocket& socket, platform::Endpoint to, uint16_t cmd,
                 uint8_t devAddr, uint32_t value = 0) {
  link::FrameBuffer frame;
  const int32_t n =
      link::EncodeFrame(protocol::EncodePacketHeader({cmd, 0, devAddr, value}), frame);
  socket.Send({frame.data(), static_cast<size_t>(n)}, to);
}

TEST(ManyScreens, EachKeepsItsOwnStateOnItsOwnPortAndAddress) {
  sim::Simulator simulator(ManyScreens(3));
  simulator.SetValidator(sim::CheckProgramLength);
  std::string error;
  ASSERT_TRUE(simulator.Start(error)) << error;
  EXPECT_EQ(simulator.udpPort(2), simulator.udpPort(0) + 2);
  EXPECT_EQ(simulator.address(2), 3);

  EXPECT_EQ(protocol::DoSetBright(Devices(), UdpTarget(simulator, 1), 12), Status::Ok);
  EXPECT_EQ(protocol::DoGetBright(Devices(), UdpTarget(simulator, 1)).value, 12);
  EXPECT_EQ(protocol::DoGetBright(Devices(), UdpTarget(simulator, 0)).value, 8);
  const std::vector<uint8_t> program = testing::TestProgram(1500);
  EXPECT_EQ(protocol::UploadProgram(Devices(), UdpTarget(simulator, 2), program), Status::Ok);
  EXPECT_EQ(simulator.LastProgram(2), program);
  EXPECT_TRUE(simulator.LastProgram(0).empty());
  EXPECT_TRUE(simulator.LastProgram(1).empty());

  // The second screen ignores the first one's address; the answered request after it shows
  // that the first had arrived and was not counted.
  const platform::UdpSocket client = testing::BoundUdpSocket(kLoopback);
  const uint32_t before = simulator.State(1).requests;
  SendRequest(client, ScreenEnd(simulator, 1), protocol::CMD_GET_POWER, simulator.address(0));
  SendRequest(client, ScreenEnd(simulator, 1), protocol::CMD_GET_POWER, simulator.address(1));
  ASSERT_EQ(client.WaitReadable(3000), platform::WaitResult::Ready);
  EXPECT_EQ(simulator.State(1).requests, before + 1);
  EXPECT_EQ(simulator.State(2).brightness, 8);
}

// Enough screens for several serving threads wherever there are several CPUs, each screen at its
// own port or at its own address.
struct ThreadedScreens {
  sim::UdpSpread spread;
  uint32_t screens;
};

class ManyScreensThreaded : public ::testing::TestWithParam<ThreadedScreens> {};

TEST_P(ManyScreensThreaded, ScreensServedByDifferentThreadsKeepTheirOwnStateAndShareTheFaults) {
  // The screens checked are the first and last of each half.
  const uint32_t kScreens = GetParam().screens;
  sim::SimulatorOptions options = ManyScreens(kScreens);
  options.consecutiveAddresses = false;  // addresses would run past 255
  options.udpSpread = GetParam().spread;
  if (options.udpSpread == sim::UdpSpread::Addresses)
    options.udpAddress = platform::ParseIpv4("127.0.3.1");
  sim::Simulator simulator(options);
  simulator.SetValidator(sim::CheckProgramLength);
  std::string error;
  ASSERT_TRUE(simulator.Start(error)) << error;
  const std::vector<size_t> checked = {0, kScreens / 2 - 1, kScreens / 2, kScreens - 1};
  for (const size_t screen : checked)
    EXPECT_EQ(protocol::DoSetBright(Devices(), UdpTarget(simulator, screen),
                                    static_cast<int32_t>(screen % 16)),
              Status::Ok);
  const std::vector<uint8_t> program = testing::TestProgram(1500);
  EXPECT_EQ(protocol::UploadProgram(Devices(), UdpTarget(simulator, kScreens - 1), program),
            Status::Ok);
  for (const size_t screen : checked) {
    SCOPED_TRACE(screen);
    EXPECT_EQ(simulator.State(screen).brightness, static_cast<int32_t>(screen % 16));
    EXPECT_EQ(simulator.LastProgram(screen).empty(), screen != kScreens - 1);
  }

  // Faults set later reach every thread's screens: each answers twice.
  sim::Faults twice;
  twice.answerTwice = true;
  twice.duplicateGapMs = 0;
  simulator.SetFaults(twice);
  const platform::UdpSocket client = testing::BoundUdpSocket(kLoopback);
  for (const size_t screen : checked) {
    SCOPED_TRACE(screen);
    SendRequest(client, ScreenEnd(simulator, screen), protocol::CMD_GET_POWER, 1);
    link::FrameBuffer reply;
    platform::Endpoint from;
    for (int copy = 0; copy < 2; ++copy) {
      ASSERT_EQ(client.WaitReadable(3000), platform::WaitResult::Ready);
      ASSERT_GT(client.Receive(reply, from), 0);
      EXPECT_EQ(from, ScreenEnd(simulator, screen));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(PortsOrAddresses, ManyScreensThreaded,
                         ::testing::Values(ThreadedScreens{sim::UdpSpread::Ports, 512},
                                           ThreadedScreens{sim::UdpSpread::Addresses, 1024}),
                         [](const ::testing::TestParamInfo<ThreadedScreens>& screens) {
                           return screens.param.spread == sim::UdpSpread::Ports ? "Ports"
                                                                                : "Addresses";
                         });

TEST(ManyScreens, ALateReplyHoldsBackNoOtherScreen) {
  sim::Faults faults;
  faults.packetFaults = {{0, sim::AckFault::Late, 1}};  // the upload start is answered late
  sim::Simulator simulator(ManyScreens(2, faults));
  std::string error;
  ASSERT_TRUE(simulator.Start(error)) << error;
  const platform::UdpSocket client = testing::BoundUdpSocket(kLoopback);
  SendRequest(client, ScreenEnd(simulator, 0), protocol::CMD_UPLOAD_START, 1);
  SendRequest(client, ScreenEnd(simulator, 1), protocol::CMD_GET_POWER, 2);
  ASSERT_EQ(client.WaitReadable(3000), platform::WaitResult::Ready);
  link::FrameBuffer reply;
  platform::Endpoint from;
  ASSERT_GT(client.Receive(reply, from), 0);
  EXPECT_EQ(from, ScreenEnd(simulator, 1));
}

TEST(ManyScreens, ScreensSpreadOverAddressesShareOnePortAndEachAnswersFromItsOwnAddress) {
  constexpr uint32_t kScreens = 64;
  sim::SimulatorOptions options = ManyScreens(kScreens);
  options.consecutiveAddresses = false;
  options.udpSpread = sim::UdpSpread::Addresses;
  options.udpAddress = platform::ParseIpv4("127.0.2.1");
  options.faults.delayMs = 2;
  sim::Simulator simulator(options);
  simulator.SetValidator(sim::CheckProgramLength);
  std::string error;
  ASSERT_TRUE(simulator.Start(error)) << error;
  EXPECT_EQ(simulator.udpPort(kScreens - 1), simulator.udpPort(0));
  EXPECT_EQ(simulator.udpAddress(kScreens - 1), platform::ParseIpv4("127.0.2.64"));

  // Every screen at once, so that the replies of many go out together; the engine's channels
  // take a reply only from the address and port asked.
  std::vector<link::Target> screens;
  for (size_t i = 0; i < kScreens; ++i) screens.push_back(UdpTarget(simulator, i));
  const std::vector<uint8_t> program = testing::TestProgram(4000);
  const auto results = protocol::DriveFleet(screens, protocol::ProgramUpload{program},
                                            {kScreens, {}}, platform::SystemClock());
  for (size_t i = 0; i < kScreens; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(results[i].outcome.status, Status::Ok);
    EXPECT_EQ(simulator.LastProgram(i), program);
  }
  EXPECT_EQ(protocol::DoSetBright(Devices(), UdpTarget(simulator, 1), 12), Status::Ok);
  EXPECT_EQ(simulator.State(1).brightness, 12);
  EXPECT_EQ(simulator.State(0).brightness, 8);

  // An address past the last screen's is no screen: nothing answers it, and the request after
  // it is answered from its own screen's address.
  const platform::UdpSocket client = testing::BoundUdpSocket(kLoopback);
  const platform::Endpoint pastTheLast = {platform::ParseIpv4("127.0.2.65"),
                                          ScreenEnd(simulator, 0).port};
  SendRequest(client, pastTheLast, protocol::CMD_GET_POWER, 1);
  SendRequest(client, ScreenEnd(simulator, 2), protocol::CMD_GET_POWER, 1);
  ASSERT_EQ(client.WaitReadable(3000), platform::WaitResult::Ready);
  link::FrameBuffer reply;
  platform::Endpoint from;
  ASSERT_GT(client.Receive(reply, from), 0);
  EXPECT_EQ(from, ScreenEnd(simulator, 2));
  EXPECT_EQ(client.WaitReadable(100), platform::WaitResult::TimedOut);
}

// Which of `count` replies from `screen`, asked for one after the other, arrive damaged ('x').
std::string DamagedReplies(const sim::Simulator& simulator, size_t screen, int count) {
  const platform::UdpSocket client = testing::BoundUdpSocket(kLoopback);
  std::string pattern;
  for (int i = 0; i < count; ++i) {
    SendRequest(client, ScreenEnd(simulator, screen), protocol::CMD_GET_POWER,
                simulator.address(screen));
    if (client.WaitReadable(3000) != platform::WaitResult::Ready) return pattern + " then silence";
    link::FrameBuffer reply;
    link::FrameBuffer body;
    platform::Endpoint from;
    const int32_t n = client.Receive(reply, from);
    pattern += link::DecodeFrame({reply.data(), static_cast<size_t>(n)}, body) > 0 ? '.' : 'x';
  }
  return pattern;
}

TEST(ManyScreens, EachDrawsItsOwnFaultsAndRunsRepeat) {
  sim::Faults faults;
  faults.seed = 9;
  faults.corruptReplyShare = 0.5;
  sim::Simulator lone(ManyScreens(1, faults));
  sim::Simulator pair(ManyScreens(2, faults));
  sim::Simulator again(ManyScreens(2, faults));
  std::string error;
  ASSERT_TRUE(lone.Start(error) && pair.Start(error) && again.Start(error)) << error;
  constexpr int kReplies = 24;
  const std::string first = DamagedReplies(pair, 0, kReplies);
  EXPECT_EQ(DamagedReplies(lone, 0, kReplies), first);  // the first screen draws as a lone one
  const std::string second = DamagedReplies(pair, 1, kReplies);
  EXPECT_NE(second, first);
  EXPECT_EQ(DamagedReplies(again, 1, kReplies), second);
}

TEST(PacedPseudoTerminal, CarriesCommandsAndAWholeUpload) {
  sim::SimulatorOptions options;
  options.udp = false;
  options.pty = true;
  options.ptyBitsPerSecond = 115200;
  sim::Simulator simulator(options);
  simulator.SetValidator(sim::CheckProgramLength);
  std::string error;
  ASSERT_TRUE(simulator.Start(error)) << error;
  link::Target target;
  target.transport = link::Transport::Serial;
  target.devicePath = simulator.terminalPath();
  target.bitsPerSecond = 115200;
  target.devAddr = 1;
  EXPECT_EQ(protocol::DoSetPower(Devices(), target, 0), Status::Ok);
  EXPECT_EQ(protocol::DoGetPower(Devices(), target).value, 0);
  const std::vector<uint8_t> program = testing::TestProgram(2000);
  EXPECT_EQ(protocol::UploadProgram(Devices(), target, program), Status::Ok);
  EXPECT_EQ(simulator.LastProgram(), program);
}

}  // namespace
}  // namespace veltrane
