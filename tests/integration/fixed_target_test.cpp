// SPDX-License-Identifier: MIT
// The fixed-target entry points against simulated screens listening on port 6666 of their own
// loopback addresses (127.0.0.0/8 is all loopback), so that tests running at once never share one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ipv4.h"
#include "platform/udp_socket.h"
#include "sim/simulator.h"
#include "support/udp_sockets.h"
#include "veltrane/veltrane.h"

namespace veltrane {
namespace {

// A simulated screen at `address`:6666 with an address of its own, so that it answers the
// entry points only because they ask for address 255.
class FixedScreen {
 public:
  explicit FixedScreen(const char* address, sim::Faults faults = {}) : address_(address) {
    sim::SimulatorOptions options;
    options.address = 9;  // requests for 255 are answered by every screen
    options.udpAddress = platform::ParseIpv4(address);
    options.udpPort = 6666;
    options.faults = faults;
    simulator_ = std::make_unique<sim::Simulator>(options);
    std::string error;
    started = simulator_->Start(error);
    EXPECT_TRUE(started) << error;
  }
  sim::Simulator& screen() { return *simulator_; }
  const char* address() const { return address_; }

  bool started = false;

 private:
  const char* address_;
  std::unique_ptr<sim::Simulator> simulator_;
};

// A local port nobody holds right now.
int32_t FreeLocalPort() {
  const platform::UdpSocket probe = testing::BoundUdpSocket();
  return probe.LocalPort();
}

TEST(FixedTarget, PowerAndClockReachTheScreenAtPort6666) {
  FixedScreen screen("127.0.0.21");
  ASSERT_TRUE(screen.started);
  EXPECT_EQ(XR_LED_PowerOff(screen.address(), FreeLocalPort(), 7, 8, 9), 0);  // answered
  EXPECT_EQ(screen.screen().State().power, 0);
  EXPECT_EQ(XR_LED_PowerOn(screen.address(), FreeLocalPort() | 0x50000, -1, -1, -1), 0);
  EXPECT_EQ(screen.screen().State().power, 1);
  EXPECT_EQ(XR_LED_ResiveTime(screen.address(), FreeLocalPort(), 0, 0, 0), 0);
  EXPECT_TRUE(screen.screen().State().clock.has_value());
  EXPECT_EQ(screen.screen().State().requests, 3u);
}

TEST(FixedTarget, NothingIsSentWithoutAUsableAddressOrPort) {
  // Callers tell only 0 (answered) from 1, so nothing sent must not read as success.
  FixedScreen screen("127.0.0.22");
  ASSERT_TRUE(screen.started);
  const platform::UdpSocket holder = testing::BoundUdpSocket();
  const int32_t taken = holder.LocalPort();
  EXPECT_EQ(XR_LED_PowerOn(screen.address(), taken, 0, 0, 0), 1);
  EXPECT_EQ(XR_LED_PowerOn(screen.address(), taken + 0x10000, 0, 0, 0), 1);    // the low 16 bits
  EXPECT_EQ(XR_LED_PowerOn("127.000.000.0022", FreeLocalPort(), 0, 0, 0), 1);  // 16 characters
  EXPECT_EQ(XR_LED_PowerOff(nullptr, FreeLocalPort(), 0, 0, 0), 1);
  EXPECT_EQ(XR_LED_ResiveTime(nullptr, FreeLocalPort(), 0, 0, 0), 1);
  EXPECT_EQ(screen.screen().State().requests, 0u);
}

TEST(FixedTarget, SendDataShowsTheDocumentAndSendsNothing) {
  FixedScreen screen("127.0.0.23");
  ASSERT_TRUE(screen.started);
  std::vector<std::string> boxes;
  LED_SetMessageHandler(
      [](const char* text, void* context) {
        static_cast<std::vector<std::string>*>(context)->push_back(text);
      },
      &boxes);
  ASSERT_EQ(LED_Init(), 1);
  const int32_t slot = MakeRoot(1, 1);
  ASSERT_NE(slot, 0);

  EXPECT_EQ(XR_LED_SendData(screen.address(), FreeLocalPort(), 0, 0, "", 0), 1);
  EXPECT_EQ(XR_LED_SendData(screen.address(), FreeLocalPort(), 0, 0, nullptr, 0), 1);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(XR_LED_SendData(nullptr, -1, 0, 0, "<Area><Left>3</Left></Area>", 0), 1);
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.front(), "3");

  EXPECT_EQ(screen.screen().State().requests, 0u);
  EXPECT_EQ(AddLeaf(slot, 0), 1);  // the program built before is still in its slot
  LED_SetMessageHandler(nullptr, nullptr);
  LED_Cleanup();
}

TEST(SlowFixedTarget, UnansweredPowerIsOne) {
  sim::Faults silent;
  silent.silent = true;
  FixedScreen screen("127.0.0.24", silent);
  ASSERT_TRUE(screen.started);
  EXPECT_EQ(XR_LED_PowerOn(screen.address(), FreeLocalPort(), 0, 0, 0), 1);
  EXPECT_EQ(XR_LED_PowerOn("not an address", FreeLocalPort(), 0, 0, 0), 1);
}

}  // namespace
}  // namespace veltrane
