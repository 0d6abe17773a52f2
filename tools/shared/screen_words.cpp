// SPDX-License-Identifier: MIT
#include "shared/screen_words.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "common/status_text.h"
#include "format/link.h"
#include "platform/ipv4.h"
#include "shared/number_option.h"
#include "shared/refusal.h"

namespace veltrane::tools {
namespace {

// More digits than any address or speed has; more would overflow the reading.
constexpr size_t kMaxNumberDigits = 6;

std::optional<int32_t> ReadNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > kMaxNumberDigits ||
      digits.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  int32_t value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return value;
}

Result<uint8_t> AddressOf(const ScreenWords& words) {
  if (!words.address) return static_cast<uint8_t>(kDefaultScreenAddress);
  const auto address = ReadNumber(*words.address);
  if (!address || *address > kScreenAddresses.high)
    return Refusal("--address: expected 0..255, got \"" + *words.address + "\"");
  return static_cast<uint8_t>(*address);
}

Result<link::Target> SerialTarget(const ScreenWords& words) {
  link::Target target;
  target.transport = link::Transport::Serial;
  target.devicePath = words.place;
  if (words.baud) {
    const auto speed = ReadNumber(*words.baud);
    if (!speed || !IsScreenLineSpeed(*speed)) return Refusal("--baud: expected " + BaudChoices());
    target.bitsPerSecond = *speed;
  }
  return target;
}

Result<link::Target> UdpTarget(const ScreenWords& words, WordsSource source,
                               const HostResolver& resolve) {
  const bool commandLine = source == WordsSource::CommandLine;
  auto endpoint =
      ParseUdpEndpoint(words.place, {0, format::kScreenPort}, EndpointRole::Screen, resolve);
  if (!endpoint) return Refusal((commandLine ? "--udp: " : "udp: ") + StatusText(endpoint.error()));
  if (words.localPort < kPorts.low || words.localPort > kPorts.high)
    return Refusal("--local-port: expected 0..65535");
  if (words.baud)
    return Refusal(commandLine
                       ? "--baud sets a serial line's speed: it needs --serial DEVICE, not --udp"
                       : "--baud is for serial lines only");
  link::Target target;
  target.transport = link::Transport::Udp;
  target.remoteAddress = endpoint->address;
  target.remotePort = endpoint->port;
  target.localPort = static_cast<uint16_t>(words.localPort);
  return target;
}

}  // namespace

Result<link::Target> ScreenTarget(const ScreenWords& words, WordsSource source,
                                  const HostResolver& resolve) {
  const Result<uint8_t> address = AddressOf(words);
  if (!address) return Failure(address.error());
  Result<link::Target> target =
      words.transport == link::Transport::Serial ? SerialTarget(words)
      : words.transport == link::Transport::Udp
          ? UdpTarget(words, source, resolve)
          : Refusal("say where the screen is: --udp HOST[:PORT] or --serial DEVICE");
  if (target) target->devAddr = *address;
  return target;
}

bool IsScreenLineSpeed(int32_t bitsPerSecond) {
  return std::ranges::find(format::kSerialSpeeds, bitsPerSecond) != format::kSerialSpeeds.end();
}

std::string BaudChoices() {
  const auto& speeds = format::kSerialSpeeds;
  std::string text;
  for (size_t i = 0; i < speeds.size(); ++i) {
    if (i > 0) text += i + 1 == speeds.size() ? " or " : ", ";
    text += std::to_string(speeds[i]);
  }
  return text;
}

std::string PlaceText(const link::Target& target) {
  if (target.transport == link::Transport::Serial) return "serial " + target.devicePath;
  return "udp " + platform::FormatIpv4(target.remoteAddress) + ":" +
         std::to_string(target.remotePort);
}

std::string ScreenText(const link::Target& target) {
  const std::string place = PlaceText(target);
  if (target.devAddr == kDefaultScreenAddress) return place;
  return place + " address " + std::to_string(target.devAddr);
}

std::string NotOpenedText(const link::Target& target) {
  if (target.transport == link::Transport::Serial) return "cannot open " + target.devicePath;
  const std::string port = target.localPort == 0
                               ? "a local UDP port"
                               : "local UDP port " + std::to_string(target.localPort);
  return "cannot bind " + port + " for " + PlaceText(target);
}

}  // namespace veltrane::tools
