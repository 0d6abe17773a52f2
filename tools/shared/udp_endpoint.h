// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/result.h"

namespace veltrane::tools {

// An IPv4 address (network byte order) and a port (host order).
struct UdpEndpoint {
  uint32_t address = 0;
  uint16_t port = 0;
};

// Who an endpoint is for. A screen to reach needs a host and a real port; a simulated screen
// serving on it may leave out the host or give only a port, and port 0 lets the system choose.
enum class EndpointRole { Screen, Server };

// Finds the IPv4 address (network byte order) a host name stands for; nothing when it names none.
// The tools pass platform::ResolveIpv4.
using HostResolver = std::function<std::optional<uint32_t>(std::string_view name)>;

// Reads "HOST:PORT" or "HOST" (and, for a server, "PORT" or ":PORT"); the parts left out come
// from `fallback`. HOST is IPv4 address text, "localhost" (127.0.0.1), or, with `resolve`, a name
// it finds. Gives the endpoint, or one sentence on what is wrong.
Result<UdpEndpoint> ParseUdpEndpoint(std::string_view text, const UdpEndpoint& fallback,
                                     EndpointRole role, const HostResolver& resolve = {});

}  // namespace veltrane::tools
