// SPDX-License-Identifier: MIT
#pragma once

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fleet_runner.h"
#include "shared/fleet_file.h"

namespace veltrane::cli {

// The text of one live line: the screen, then waiting, a progress bar, running, or how it ended.
std::string LiveLine(const tools::FleetScreen& screen, const TurnProgress& progress);

// While a fleet command runs on a terminal: a line per screen, redrawn in place a few times a
// second, and a count of where the fleet is. A fleet taller than kMaxLiveScreens shows the screens
// in progress only. The block is wiped when the display stops, so the results print in its place.
class LiveDisplay {
 public:
  static constexpr size_t kMaxLiveScreens = 16;

  LiveDisplay(const std::vector<tools::FleetScreen>& screens,
              const std::vector<TurnProgress>& progress, std::FILE* out);
  ~LiveDisplay();
  LiveDisplay(const LiveDisplay&) = delete;
  LiveDisplay& operator=(const LiveDisplay&) = delete;

 private:
  void Run();
  void Draw();
  // The lines of one frame.
  std::vector<std::string> Frame() const;

  const std::vector<tools::FleetScreen>& screens_;
  const std::vector<TurnProgress>& progress_;
  std::FILE* out_;
  size_t drawnLines_ = 0;
  std::mutex mutex_;
  std::condition_variable stop_;
  bool stopping_ = false;  // guarded by mutex_
  std::thread thread_;
};

}  // namespace veltrane::cli
