// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/status.h"
#include "shared/fleet_file.h"

namespace veltrane::cli {

// Where a screen's turn is, as the live display reads it while the run writes it.
struct TurnProgress {
  enum Phase : uint8_t { Waiting, Running, Done };
  std::atomic<Phase> phase{Waiting};
  std::atomic<Status::Code> status{Status::Ok};  // once Done
  std::atomic<uint32_t> packetsDone{0};          // uploads only
  std::atomic<uint32_t> packetsTotal{0};
};

// The text of one live line, at most `width` bytes: the screen's name and target, then waiting, a
// progress bar, running, or how it ended. A line too long shortens the name, then the target.
std::string LiveLine(const tools::FleetScreen& screen, const TurnProgress& progress, size_t width);

// While a fleet command runs on a terminal: a line per screen, redrawn in place a few times a
// second, each cut to the terminal's width, and a count of where the fleet is. A fleet taller than
// kMaxLiveScreens shows the screens in progress only. The block is wiped when the display stops, so
// the results print in its place.
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
