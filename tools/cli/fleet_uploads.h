// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fleet_runner.h"
#include "shared/fleet_file.h"

namespace veltrane::cli {

// Uploads `program` to the screens of UDP `lanes` (indices into `screens`), up to `slots` screens
// at once, all from the calling thread: each screen has a socket of its own (its own local port)
// and takes the steps of protocol::Upload with its tries and windows, while the thread waits on
// every socket at once. A screen's packet then costs no switch between threads, which is what
// many threads each blocked on one screen spend most of their time on. A lane's screens go one
// after another. Results and progress are written at each screen's index.
void UploadOverUdp(const std::vector<tools::FleetScreen>& screens,
                   const std::vector<std::vector<size_t>>& lanes, std::span<const uint8_t> program,
                   size_t slots, std::vector<TurnProgress>& progress,
                   std::vector<ScreenResult>& results);

}  // namespace veltrane::cli
