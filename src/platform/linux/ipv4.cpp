// SPDX-License-Identifier: MIT
#include "platform/ipv4.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <string>

namespace veltrane::platform {

uint32_t ParseIpv4(std::string_view text) {
  const std::string terminated(text);
  return static_cast<uint32_t>(inet_addr(terminated.c_str()));
}

std::optional<uint32_t> ResolveIpv4(std::string_view host) {
  // A zero byte would end the name early: "localhost\0..." is no name to look up.
  if (host.empty() || host.find('\0') != std::string_view::npos) return std::nullopt;
  const std::string terminated(host);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(terminated.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
    return std::nullopt;
  const uint32_t address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  return address;
}

std::string FormatIpv4(uint32_t address) {
  in_addr value{};
  value.s_addr = address;
  char text[INET_ADDRSTRLEN] = {};
  return inet_ntop(AF_INET, &value, text, sizeof text) != nullptr ? text : "";
}

uint16_t PortToNetwork(uint16_t port) { return htons(port); }
uint16_t PortFromNetwork(uint16_t port) { return ntohs(port); }
uint32_t AddressToNetwork(uint32_t address) { return htonl(address); }
uint32_t AddressFromNetwork(uint32_t address) { return ntohl(address); }

}  // namespace veltrane::platform
