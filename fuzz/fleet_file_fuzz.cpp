// SPDX-License-Identifier: MIT
// Any text handed to the fleet-file reader gives screens or one sentence saying where it fails;
// accepted screens stay within the file's bounds, each with a transport and a target to show.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "common/status_text.h"
#include "shared/fleet_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace veltrane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // Host names are found without asking the network: those of odd length stand for loopback.
  const auto result = tools::ParseFleetFile(text, "fleet", [](std::string_view name) {
    return name.size() % 2 == 1 ? std::optional<uint32_t>(0x0100007F) : std::nullopt;
  });
  if (!result) {
    if (!StatusText(result.error()).starts_with("fleet:")) std::abort();
    return 0;
  }
  const auto& screens = *result;
  if (screens.empty() || screens.size() > tools::kMaxFleetScreens) std::abort();
  for (const tools::FleetScreen& screen : screens) {
    if (screen.target.transport == link::Transport::None || screen.where.empty() ||
        screen.name.size() > tools::kMaxFleetNameBytes)
      std::abort();
  }
  return 0;
}
