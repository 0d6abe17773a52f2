#include "platform/ipv4.h"

#include <arpa/inet.h>

#include <string>

namespace veltrane::platform {

uint32_t ParseIpv4(std::string_view text) {
  const std::string terminated(text);
  return static_cast<uint32_t>(inet_addr(terminated.c_str()));
}

std::string FormatIpv4(uint32_t address) {
  in_addr value{};
  value.s_addr = address;
  char text[INET_ADDRSTRLEN] = {};
  return inet_ntop(AF_INET, &value, text, sizeof text) != nullptr ? text : "";
}

uint16_t PortToNetwork(uint16_t port) { return htons(port); }
uint16_t PortFromNetwork(uint16_t port) { return ntohs(port); }

}  // namespace veltrane::platform
