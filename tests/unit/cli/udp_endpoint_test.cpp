// SPDX-License-Identifier: MIT
// Both tools read UDP endpoints and serial speeds through one parser; a screen to reach and a
// simulated screen serving differ only in what they may leave out.
#include "shared/udp_endpoint.h"

#include <gtest/gtest.h>

#include "link/serial_channel.h"
#include "platform/ipv4.h"

namespace veltrane::tools {
namespace {

constexpr uint32_t kLoopback = 0x0100007F;  // 127.0.0.1 in network order
constexpr UdpEndpoint kFallback{0x0500007F, 4000};

struct EndpointCase {
  const char* text;
  EndpointRole role;
  UdpEndpoint expected;
};

TEST(UdpEndpoint, ReadsWhatEachRoleMayGive) {
  const EndpointCase cases[] = {
      {"127.0.0.1:7000", EndpointRole::Screen, {kLoopback, 7000}},
      {"127.0.0.1", EndpointRole::Screen, {kLoopback, 4000}},
      {"localhost:65535", EndpointRole::Screen, {kLoopback, 65535}},
      {"255.255.255.255", EndpointRole::Screen, {0xFFFFFFFF, 4000}},
      {"7000", EndpointRole::Server, {0x0500007F, 7000}},
      {":0", EndpointRole::Server, {0x0500007F, 0}},
      {"127.0.0.1", EndpointRole::Server, {kLoopback, 4000}},
      {"127.0.0.1:0", EndpointRole::Server, {kLoopback, 0}},
  };
  for (const EndpointCase& c : cases) {
    SCOPED_TRACE(c.text);
    const auto parsed = ParseUdpEndpoint(c.text, kFallback, c.role);
    ASSERT_TRUE(std::holds_alternative<UdpEndpoint>(parsed)) << std::get<std::string>(parsed);
    EXPECT_EQ(std::get<UdpEndpoint>(parsed).address, c.expected.address);
    EXPECT_EQ(std::get<UdpEndpoint>(parsed).port, c.expected.port);
  }
}

TEST(UdpEndpoint, RefusalsSayWhichPartIsWrong) {
  struct Case {
    const char* text;
    EndpointRole role;
    const char* error;
  };
  const Case cases[] = {
      {"127.0.0.1:0", EndpointRole::Screen, "bad port \"0\""},
      {"127.0.0.1:65536", EndpointRole::Screen, "bad port \"65536\""},
      {"127.0.0.1:0000065535", EndpointRole::Server, "bad port"},
      {"127.0.0.1:+80", EndpointRole::Server, "bad port"},
      {"127.0.0.1:", EndpointRole::Screen, "bad port \"\""},
      {":7000", EndpointRole::Screen, "\"\" is not an IPv4 address"},
      {"nowhere:1", EndpointRole::Server, "\"nowhere\" is not an IPv4 address"},
      {"1.2.3.4.5", EndpointRole::Server, "is not an IPv4 address"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto parsed = ParseUdpEndpoint(c.text, kFallback, c.role);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
    EXPECT_NE(std::get<std::string>(parsed).find(c.error), std::string::npos)
        << std::get<std::string>(parsed);
  }
}

// Names are looked up only where a resolver is given (a screen to reach); "LOCALHOST" is found in
// the hosts file like any name, and the reserved .invalid domain holds none.
TEST(UdpEndpoint, FindsHostNamesWithAResolver) {
  const auto found =
      ParseUdpEndpoint("LOCALHOST:7000", kFallback, EndpointRole::Screen, platform::ResolveIpv4);
  ASSERT_TRUE(std::holds_alternative<UdpEndpoint>(found)) << std::get<std::string>(found);
  EXPECT_EQ(std::get<UdpEndpoint>(found).address, kLoopback);
  EXPECT_EQ(std::get<UdpEndpoint>(found).port, 7000);
  struct Case {
    const char* text;
    HostResolver resolve;
    const char* error;
  };
  const Case cases[] = {
      {"sign.invalid:7000", platform::ResolveIpv4,
       "cannot find an IPv4 address for \"sign.invalid\""},
      {"LOCALHOST:7000", {}, "\"LOCALHOST\" is not an IPv4 address"},
      {":7000", platform::ResolveIpv4, "\"\" is not an IPv4 address"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto parsed = ParseUdpEndpoint(c.text, kFallback, EndpointRole::Screen, c.resolve);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
    EXPECT_EQ(std::get<std::string>(parsed), c.error);
  }
}

TEST(SerialSpeed, EverySpeedTheLinkRunsAtAndNothingElse) {
  for (int32_t index = 0; index < 5; ++index) {
    SCOPED_TRACE(index);
    EXPECT_EQ(SpeedIndexForBaud(link::LineSpeed(index)), index);
  }
  for (const int32_t baud : {0, -9600, 1200, 57601, 230400})
    EXPECT_EQ(SpeedIndexForBaud(baud), std::nullopt);
  EXPECT_EQ(BaudChoices(), "9600, 19200, 38400, 57600 or 115200");
}

}  // namespace
}  // namespace veltrane::tools
