#include "platform/ipv4.h"

#include <arpa/inet.h>

#include <string>

namespace veltrane::platform {

uint32_t ParseIpv4(std::string_view text) {
  const std::string terminated(text);
  return static_cast<uint32_t>(inet_addr(terminated.c_str()));
}

}  // namespace veltrane::platform
