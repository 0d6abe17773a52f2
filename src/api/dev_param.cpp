// SPDX-License-Identifier: MIT
#include "api/dev_param.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "format/link.h"
#include "platform/ipv4.h"

namespace veltrane::api {

link::Transport TransportOf(int32_t devType) {
  switch (devType) {
    case VELTRANE_DEV_SERIAL:
      return link::Transport::Serial;
    case VELTRANE_DEV_UDP:
      return link::Transport::Udp;
    default:
      return link::Transport::None;
  }
}

int32_t LineSpeedOf(int32_t speedIndex) {
  // The header numbers the speeds screens run at in the order of the table, slowest first.
  static_assert(VELTRANE_SPEED_9600 == 0 &&
                VELTRANE_SPEED_115200 + 1 == format::kSerialSpeeds.size());
  if (speedIndex < 0 || speedIndex >= static_cast<int32_t>(format::kSerialSpeeds.size()))
    speedIndex = VELTRANE_SPEED_57600;
  return format::kSerialSpeeds[static_cast<size_t>(speedIndex)];
}

std::string_view RemoteIpText(const DevParam& param) {
  const void* zero = std::memchr(param.RmtIP, 0, sizeof param.RmtIP);
  const size_t length = zero != nullptr
                            ? static_cast<size_t>(static_cast<const char*>(zero) - param.RmtIP)
                            : sizeof param.RmtIP;
  return {param.RmtIP, length};
}

std::optional<std::string> UnreadableAddress(const DevParam& param) {
  const std::string_view ip = RemoteIpText(param);
  // The classic reader gives all ones for text it cannot read, as it does for the one address
  // that really is all ones.
  if (TransportOf(param.devType) != link::Transport::Udp || platform::ParseIpv4(ip) != 0xFFFFFFFF ||
      ip == "255.255.255.255")
    return std::nullopt;
  std::string shown;
  for (const char c : ip) shown += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
  return "RmtIP \"" + shown + "\" is not an IPv4 address";
}

link::Target ToTarget(const DevParam& param, const link::ComPortPaths& comPorts) {
  link::Target target;
  target.transport = TransportOf(param.devType);
  target.bitsPerSecond = LineSpeedOf(param.speed);
  if (target.transport == link::Transport::Serial)
    target.devicePath = comPorts.PathOf(param.locPort).value_or("");
  target.localPort = static_cast<uint16_t>(param.locPort);
  target.remotePort = static_cast<uint16_t>(param.rmtPort);
  if (target.transport == link::Transport::Udp)
    target.remoteAddress = platform::ParseIpv4(RemoteIpText(param));
  target.devAddr = static_cast<uint8_t>(param.devAddr);
  return target;
}

std::string FormatDebugText(const DevParam& param) {
  const std::string_view ip = RemoteIpText(param);
  char text[1024];
  // The address is printed with an explicit length: a full 16-byte field has no zero byte.
  std::snprintf(text, sizeof text,
                "devType=%d\r\nlocPort=%d\r\nspeed=%d\r\nrmtPort=%d\r\nRmtIP=%.*s", param.devType,
                param.locPort, param.speed, param.rmtPort, static_cast<int>(ip.size()), ip.data());
  return text;
}

}  // namespace veltrane::api
