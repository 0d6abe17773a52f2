// SPDX-License-Identifier: MIT
// Host names are found through the system's own lookup, IPv4 only, and only whole names are asked
// for. The hosts file always has localhost; the reserved .invalid domain never holds a name.
#include "platform/ipv4.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace veltrane::platform {
namespace {

TEST(ResolveIpv4, FindsNamesAndAddressTextAndNothingElse) {
  struct Case {
    std::string host;
    std::optional<uint32_t> address;
  };
  const Case cases[] = {
      {"localhost", ParseIpv4("127.0.0.1")},
      {"127.0.0.2", ParseIpv4("127.0.0.2")},
      {"sign.invalid", std::nullopt},
      {"", std::nullopt},
      {std::string("localhost\0.invalid", 18), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    EXPECT_EQ(ResolveIpv4(c.host), c.address);
  }
}

}  // namespace
}  // namespace veltrane::platform
