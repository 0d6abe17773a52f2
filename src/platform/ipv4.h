// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veltrane::platform {

// Reads IPv4 text as the classic inet_addr does (dotted decimal, also the short, octal and hex
// forms it accepts). Returns the address in network byte order, or 0xFFFFFFFF for text it cannot
// read (which is also what "255.255.255.255" gives).
uint32_t ParseIpv4(std::string_view text);

// The IPv4 address (network byte order) the system finds for `host`, a name or address text,
// asking where it looks up names (the hosts file, DNS, ...). Nothing when it finds none.
std::optional<uint32_t> ResolveIpv4(std::string_view host);

// Dotted decimal text of an address in network byte order.
std::string FormatIpv4(uint32_t address);

// A port number between host and network byte order.
uint16_t PortToNetwork(uint16_t port);
uint16_t PortFromNetwork(uint16_t port);
// An IPv4 address between host and network byte order (consecutive addresses count in host
// order).
uint32_t AddressToNetwork(uint32_t address);
uint32_t AddressFromNetwork(uint32_t address);

}  // namespace veltrane::platform
