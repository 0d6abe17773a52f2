// SPDX-License-Identifier: MIT
#include "fixed_target/entry_points.h"

#include <cstring>
#include <optional>

#include "fixed_target/area_document.h"
#include "format/link.h"
#include "link/target.h"
#include "platform/ipv4.h"
#include "protocol/device_commands.h"

namespace veltrane::fixed_target {
namespace {

// The slot the data entry point sends: not a slot at all, so the send is refused at once.
constexpr int32_t kDataEntrySlot = 0;

// The target every entry point talks to; nothing for an address text that cannot be one.
std::optional<link::Target> FixedTarget(const char* address, int32_t localPort) {
  if (address == nullptr) return std::nullopt;
  size_t length = 0;
  while (length <= kMaxAddressText && address[length] != '\0') ++length;
  if (length > kMaxAddressText) return std::nullopt;
  link::Target target;
  target.transport = link::Transport::Udp;
  target.localPort = static_cast<uint16_t>(localPort);
  target.remotePort = format::kScreenPort;
  target.remoteAddress = platform::ParseIpv4({address, length});
  target.devAddr = format::kEveryScreenAddress;
  return target;
}

constexpr Status kNoAddress{Status::BadArgument, "the address text is missing or too long"};

Status SetPower(const protocol::DeviceContext& context, const char* address, int32_t localPort,
                int32_t value) {
  const std::optional<link::Target> target = FixedTarget(address, localPort);
  return target ? protocol::DoSetPower(context, *target, value) : kNoAddress;
}

}  // namespace

Status PowerOn(const protocol::DeviceContext& context, const char* address, int32_t localPort) {
  return SetPower(context, address, localPort, 1);
}

Status PowerOff(const protocol::DeviceContext& context, const char* address, int32_t localPort) {
  return SetPower(context, address, localPort, 0);
}

Status SetTimeFromHost(const protocol::DeviceContext& context, const char* address,
                       int32_t localPort) {
  const std::optional<link::Target> target = FixedTarget(address, localPort);
  if (!target) return kNoAddress;
  return protocol::DoAdjustTime(context, *target, context.clock.Local());
}

int32_t SendAreaDocument(const SlotSender& send, const MessageSink& messages, const char* address,
                         int32_t localPort, const char* document) {
  ScanAreaDocument(document != nullptr ? std::string_view(document) : std::string_view(),
                   ShowBoxesAsMessages(messages));
  // The descriptor is built as for the other entry points, but slot 0 is refused before any of
  // it is used.
  const link::Target target = FixedTarget(address, localPort).value_or(link::Target{});
  send(target, kDataEntrySlot);
  return 1;
}

}  // namespace veltrane::fixed_target
