// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/clock.h"
#include "protocol/fleet.h"

namespace veltrane::cli {

// Draws "[#####.....] 3/12 packets, 1.0 KiB, 512.0 KiB/s" on one line of a terminal while one
// screen takes a program: redrawn in place at most ten times a second (a faster line only costs
// the terminal), cut to the terminal's width so that it never wraps, and not at all when `out`
// is no terminal or drawing is not `wanted` (-v writes its own lines there).
class ProgressBar final : public protocol::FleetEvents {
 public:
  static constexpr uint32_t kRedrawEveryMs = 100;

  ProgressBar(std::FILE* out, platform::Clock& clock, bool wanted = true);

  void Started(size_t) override {}
  void Progressed(size_t, const protocol::Progress& progress) override;
  // Draws the last state whatever the time, and ends the line.
  void Finished(size_t, const protocol::ScreenResult& result) override;

  // Since the bar was made.
  double Seconds();

 private:
  void Draw(const protocol::Progress& progress);

  std::FILE* out_;
  platform::Clock& clock_;
  bool draw_;
  uint32_t startMs_;
  bool drawn_ = false;
  uint32_t drawnMs_ = 0;
};

}  // namespace veltrane::cli
