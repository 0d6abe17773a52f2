#include "fixed_target/entry_points.h"

#include <cstring>
#include <optional>

#include "builder/program_sender.h"
#include "fixed_target/area_document.h"
#include "format/link.h"
#include "link/target.h"
#include "platform/clock.h"
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
  target.speedIndex = 0;
  target.comPort = localPort;
  target.localPort = static_cast<uint16_t>(localPort);
  target.remotePort = format::kScreenPort;
  target.remoteAddress = platform::ParseIpv4({address, length});
  target.devAddr = format::kEveryScreenAddress;
  return target;
}

// Callers of these entry points know only "answered" and "not answered", so a request that could
// not even be sent (no usable address, a local port that cannot be bound) is not answered either.
constexpr int32_t kAnswered = 0;
constexpr int32_t kNotAnswered = 1;

int32_t EntryResult(Status status) { return status == Status::Ok ? kAnswered : kNotAnswered; }

int32_t SetPower(const char* address, int32_t localPort, int32_t value) {
  const std::optional<link::Target> target = FixedTarget(address, localPort);
  return target ? EntryResult(protocol::DoSetPower(*target, value)) : kNotAnswered;
}

}  // namespace

int32_t PowerOn(const char* address, int32_t localPort) { return SetPower(address, localPort, 1); }

int32_t PowerOff(const char* address, int32_t localPort) { return SetPower(address, localPort, 0); }

int32_t SetTimeFromHost(const char* address, int32_t localPort) {
  const std::optional<link::Target> target = FixedTarget(address, localPort);
  if (!target) return kNotAnswered;
  return EntryResult(protocol::DoAdjustTime(*target, platform::CurrentClock().Local()));
}

int32_t SendAreaDocument(const char* address, int32_t localPort, const char* document) {
  ScanAreaDocument(document != nullptr ? std::string_view(document) : std::string_view());
  // The descriptor is built as for the other entry points, but slot 0 is refused before any of
  // it is used.
  const link::Target target = FixedTarget(address, localPort).value_or(link::Target{});
  builder::DoSendToScreen(target, kDataEntrySlot, true);
  return 1;
}

}  // namespace veltrane::fixed_target
