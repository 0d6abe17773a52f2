// SPDX-License-Identifier: MIT
// Both tools read UDP endpoints through one parser; a screen to reach and a
// simulated screen serving differ only in what they may leave out.
#include "shared/udp_endpoint.h"

#include <gtest/gtest.h>

#include "common/status_text.h"
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
    ASSERT_TRUE(parsed) << StatusText(parsed.error());
    EXPECT_EQ(parsed->address, c.expected.address);
    EXPECT_EQ(parsed->port, c.expected.port);
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
    ASSERT_FALSE(parsed);
    EXPECT_NE(StatusText(parsed.error()).find(c.error), std::string::npos)
        << StatusText(parsed.error());
  }
}

// Names are looked up only where a resolver is given (a screen to reach); "LOCALHOST" is found in
// the hosts file like any name, and the reserved .invalid domain holds none.
TEST(UdpEndpoint, FindsHostNamesWithAResolver) {
  const auto found =
      ParseUdpEndpoint("LOCALHOST:7000", kFallback, EndpointRole::Screen, platform::ResolveIpv4);
  ASSERT_TRUE(found) << StatusText(found.error());
  EXPECT_EQ(found->address, kLoopback);
  EXPECT_EQ(found->port, 7000);
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
    ASSERT_FALSE(parsed);
    EXPECT_EQ(StatusText(parsed.error()), c.error);
  }
}

}  // namespace
}  // namespace veltrane::tools
