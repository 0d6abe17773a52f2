// SPDX-License-Identifier: MIT
#include "api/dev_param.h"

#include <gtest/gtest.h>

#include <cstring>

namespace veltrane::api {
namespace {

DevParam Udp(const char* ip) {
  DevParam p{};
  p.devType = 1;
  p.speed = 3;
  p.locPort = 5000;
  p.rmtPort = 6666;
  std::strncpy(p.RmtIP, ip, sizeof p.RmtIP);
  return p;
}

TEST(DebugText, ListsTheFieldsInTheirTextOrder) {
  EXPECT_EQ(FormatDebugText(Udp("192.168.1.20")),
            "devType=1\r\nlocPort=5000\r\nspeed=3\r\nrmtPort=6666\r\nRmtIP=192.168.1.20");
}

TEST(DebugText, SixteenCharactersWithoutAZeroByteAreCutAtTheField) {
  DevParam p = Udp("");
  std::memcpy(p.RmtIP, "123.123.123.1234", 16);
  p.devAddr = 0x41414141;  // would be read as text by an unbounded format
  const std::string text = FormatDebugText(p);
  EXPECT_EQ(text.substr(text.find("RmtIP=")), "RmtIP=123.123.123.1234");
}

TEST(Target, TransportFollowsDevType) {
  struct Case {
    int32_t devType;
    link::Transport transport;
  };
  for (const Case c : {Case{0, link::Transport::Serial}, Case{1, link::Transport::Udp},
                       Case{2, link::Transport::None}, Case{-1, link::Transport::None}}) {
    DevParam p = Udp("127.0.0.1");
    p.devType = c.devType;
    EXPECT_EQ(ToTarget(p, link::ComPortPaths()).transport, c.transport) << c.devType;
  }
}

TEST(Target, SpeedIndexNamesTheLineSpeedAndAnyOtherIsTheUsualOne) {
  const std::pair<int32_t, int32_t> cases[] = {{0, 9600},  {1, 19200},        {2, 38400},
                                               {3, 57600}, {4, 115200},       {-1, 57600},
                                               {5, 57600}, {INT32_MIN, 57600}};
  for (const auto& [index, speed] : cases) {
    DevParam p = Udp("");
    p.devType = 0;
    p.speed = index;
    EXPECT_EQ(ToTarget(p, link::ComPortPaths()).bitsPerSecond, speed) << index;
  }
}

TEST(Target, PortsAndAddressTakeTheirLowBits) {
  DevParam p = Udp("127.0.0.1");
  p.rmtPort = 0x10000 + 6666;
  p.locPort = 0x30000 + 5000;
  p.devAddr = 0x1FF;
  const link::Target t = ToTarget(p, link::ComPortPaths());
  EXPECT_EQ(t.remotePort, 6666);
  EXPECT_EQ(t.localPort, 5000);
  EXPECT_EQ(t.devAddr, 0xFF);
  const uint8_t expected[4] = {127, 0, 0, 1};  // network order in memory
  EXPECT_EQ(std::memcmp(&t.remoteAddress, expected, 4), 0);
}

TEST(Target, UnreadableAddressBecomesAllOnes) {
  EXPECT_EQ(ToTarget(Udp("not an address"), link::ComPortPaths()).remoteAddress, 0xFFFFFFFFu);
  DevParam full = Udp("");
  std::memcpy(full.RmtIP, "1.2.3.4567890123", 16);  // no zero byte: read as 16 characters
  EXPECT_EQ(ToTarget(full, link::ComPortPaths()).remoteAddress, 0xFFFFFFFFu);
}

TEST(Target, OnlyAnUnreadableUdpAddressIsNamed) {
  DevParam full = Udp("");
  std::memcpy(full.RmtIP, "1.2.3.4567890123", 16);
  DevParam serial = Udp("999.1.1.1");
  serial.devType = 0;
  struct Case {
    DevParam param;
    std::optional<std::string> said;
  };
  const Case cases[] = {
      {Udp("999.1.1.1"), "RmtIP \"999.1.1.1\" is not an IPv4 address"},
      {Udp(""), "RmtIP \"\" is not an IPv4 address"},
      {Udp("sign\x1b[2J"), "RmtIP \"sign?[2J\" is not an IPv4 address"},
      {full, "RmtIP \"1.2.3.4567890123\" is not an IPv4 address"},
      {Udp("255.255.255.255"), std::nullopt},
      {Udp("10.0.0.5"), std::nullopt},
      {serial, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.said.value_or("readable"));
    EXPECT_EQ(UnreadableAddress(c.param), c.said);
  }
}

TEST(Target, SerialDeviceIsTheComPortsMappedPath) {
  link::ComPortPaths comPorts;
  ASSERT_TRUE(comPorts.Set(5, "/dev/ttyUSB1"));
  DevParam p{};
  p.devType = 0;
  p.locPort = 5;
  EXPECT_EQ(ToTarget(p, comPorts).devicePath, "/dev/ttyUSB1");
  p.locPort = 6;
  EXPECT_EQ(ToTarget(p, comPorts).devicePath, "/dev/ttyS5");
  for (int32_t outOfRange : {0, 256}) {
    p.locPort = outOfRange;
    EXPECT_EQ(ToTarget(p, comPorts).devicePath, "") << outOfRange;  // nothing to open
  }
  EXPECT_EQ(ToTarget(Udp("127.0.0.1"), comPorts).devicePath, "");
}

}  // namespace
}  // namespace veltrane::api
