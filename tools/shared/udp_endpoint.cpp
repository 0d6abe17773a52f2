// SPDX-License-Identifier: MIT
#include "shared/udp_endpoint.h"

#include <charconv>

#include "format/link.h"
#include "link/serial_channel.h"
#include "platform/ipv4.h"

namespace veltrane::tools {
namespace {

// The speed indices a serial target accepts; the link maps each to its line speed.
constexpr auto kSpeedIndexCount = static_cast<int32_t>(format::kSerialSpeeds.size());
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
std::variant<uint32_t, std::string> FindHost(std::string_view host, const HostResolver& resolve) {
  if (const auto address = ParseHost(host)) return *address;
  const auto quoted = "\"" + std::string(host) + "\"";
  if (!resolve || host.empty()) return quoted + " is not an IPv4 address";
  if (const auto address = resolve(host)) return *address;
  return "cannot find an IPv4 address for " + quoted;
}

}  // namespace

std::variant<UdpEndpoint, std::string> ParseUdpEndpoint(std::string_view text,
                                                        const UdpEndpoint& fallback,
                                                        EndpointRole role,
                                                        const HostResolver& resolve) {
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
    if (!parsed) return "bad port \"" + std::string(port) + "\"";
    endpoint.port = *parsed;
  }
  if (!host.empty() || !server) {
    const auto found = FindHost(host, resolve);
    if (const auto* error = std::get_if<std::string>(&found)) return *error;
    endpoint.address = std::get<uint32_t>(found);
  }
  return endpoint;
}

std::optional<int32_t> SpeedIndexForBaud(int32_t bitsPerSecond) {
  for (int32_t index = 0; index < kSpeedIndexCount; ++index)
    if (link::LineSpeed(index) == bitsPerSecond) return index;
  return std::nullopt;
}

std::string BaudChoices() {
  std::string text;
  for (int32_t index = 0; index < kSpeedIndexCount; ++index) {
    if (index > 0) text += index + 1 == kSpeedIndexCount ? " or " : ", ";
    text += std::to_string(link::LineSpeed(index));
  }
  return text;
}

}  // namespace veltrane::tools
