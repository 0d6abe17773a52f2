// SPDX-License-Identifier: MIT
#include "shared/udp_endpoint.h"

#include <charconv>

#include "format/link.h"
#include "platform/ipv4.h"
#include "shared/refusal.h"

namespace veltrane::tools {
namespace {

constexpr size_t kMaxPortDigits = 5;

bool AllDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<uint16_t> ParsePort(std::string_view digits, EndpointRole role) {
  if (!AllDigits(digits) || digits.size() > kMaxPortDigits) return std::nullopt;
  uint32_t port = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), port);
  const uint32_t lowest = role == EndpointRole::Server ? 0 : 1;
  if (port < lowest || port > UINT16_MAX) return std::nullopt;
  return static_cast<uint16_t>(port);
}

// The address of `host` as text; "255.255.255.255" is a real (broadcast) address although the
// classic reader gives the same value for unreadable text.
std::optional<uint32_t> ParseHost(std::string_view host) {
  if (host == "localhost") host = "127.0.0.1";
  const uint32_t address = platform::ParseIpv4(host);
  if (address == 0xFFFFFFFF && host != "255.255.255.255") return std::nullopt;
  return address;
}

// The address of `host`, asking `resolve` when it is not address text; else what is wrong.
Result<uint32_t> FindHost(std::string_view host, const HostResolver& resolve) {
  if (const auto address = ParseHost(host)) return *address;
  const auto quoted = "\"" + std::string(host) + "\"";
  if (!resolve || host.empty()) return Refusal(quoted + " is not an IPv4 address");
  if (const auto address = resolve(host)) return *address;
  return Refusal("cannot find an IPv4 address for " + quoted);
}

}  // namespace

Result<UdpEndpoint> ParseUdpEndpoint(std::string_view text, const UdpEndpoint& fallback,
                                     EndpointRole role, const HostResolver& resolve) {
  const bool server = role == EndpointRole::Server;
  const size_t colon = text.rfind(':');
  std::string_view host = colon == std::string_view::npos ? text : text.substr(0, colon);
  std::string_view port = colon == std::string_view::npos ? "" : text.substr(colon + 1);
  if (server && colon == std::string_view::npos && AllDigits(text)) {
    port = text;
    host = "";
  }
  UdpEndpoint endpoint = fallback;
  if (colon != std::string_view::npos || !port.empty()) {
    const auto parsed = ParsePort(port, role);
    if (!parsed) return Refusal("bad port \"" + std::string(port) + "\"");
    endpoint.port = *parsed;
  }
  if (!host.empty() || !server) {
    const Result<uint32_t> found = FindHost(host, resolve);
    if (!found) return Failure(found.error());
    endpoint.address = *found;
  }
  return endpoint;
}

}  // namespace veltrane::tools
