// SPDX-License-Identifier: MIT
// Any text handed to the fleet-file reader gives screens or one error naming a line of the text;
// accepted screens stay within the file's bounds, each with a transport and a target to show.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <variant>

#include "shared/fleet_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace veltrane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // Host names are found without asking the network: those of odd length stand for loopback.
  const auto result = tools::ParseFleetFile(text, [](std::string_view name) {
    return name.size() % 2 == 1 ? std::optional<uint32_t>(0x0100007F) : std::nullopt;
  });
  if (const auto* error = std::get_if<tools::FleetFileError>(&result)) {
    if (error->message.empty() || error->line > static_cast<size_t>(size) + 1) std::abort();
    return 0;
  }
  const auto& screens = std::get<std::vector<tools::FleetScreen>>(result);
  if (screens.empty() || screens.size() > tools::kMaxFleetScreens) std::abort();
  for (const tools::FleetScreen& screen : screens) {
    if (screen.target.transport == link::Transport::None || screen.where.empty() ||
        screen.name.size() > tools::kMaxFleetNameBytes)
      std::abort();
  }
  return 0;
}
