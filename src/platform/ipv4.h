#pragma once

#include <cstdint>
#include <string_view>

namespace veltrane::platform {

// Reads IPv4 text as the classic inet_addr does (dotted decimal, also the short, octal and hex
// forms it accepts). Returns the address in network byte order, or 0xFFFFFFFF for text it cannot
// read (which is also what "255.255.255.255" gives).
uint32_t ParseIpv4(std::string_view text);

}  // namespace veltrane::platform
