#include "platform/ipv4.h"

#include "win32.h"

namespace veltrane::platform {

uint32_t ParseIpv4(std::string_view text) {
  const std::string terminated(text);
  return static_cast<uint32_t>(::inet_addr(terminated.c_str()));
}

std::string FormatIpv4(uint32_t address) {
  in_addr value{};
  value.s_addr = address;
  // inet_ntoa's buffer belongs to the calling thread under Winsock.
  const char* text = ::inet_ntoa(value);
  return text != nullptr ? text : "";
}

uint16_t PortToNetwork(uint16_t port) { return ::htons(port); }
uint16_t PortFromNetwork(uint16_t port) { return ::ntohs(port); }

}  // namespace veltrane::platform
