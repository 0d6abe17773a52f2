// SPDX-License-Identifier: MIT
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "screen_runs.h"

namespace veltrane::studio {

// One screen's row of a run as the page shows it.
struct ScreenRow {
  std::string name;   // empty when its line gives none
  std::string where;  // "udp 127.0.0.1:6666", "serial /dev/ttyUSB0"
  uint32_t done = 0;
  uint32_t total = 0;
  std::optional<ScreenOutcome> outcome;  // once the run has ended
};

// The board at one moment. `version` grows with every change.
struct RunSnapshot {
  uint64_t version = 0;
  bool running = false;
  std::string action;
  std::vector<ScreenRow> rows;
};

// The studio's one run at a time: started by a request, watched by the page's event stream.
// Watchers sleep until the run changes (no timer), and the run's threads wake them.
class RunBoard {
 public:
  RunBoard() = default;
  RunBoard(const RunBoard&) = delete;
  RunBoard& operator=(const RunBoard&) = delete;
  // Cancels a run in progress and waits for its end.
  ~RunBoard();

  // Starts `job` on `screens` on a thread of its own; false when a run is still going.
  bool Start(std::vector<ScreenTarget> screens, ScreenJob job, std::string action);

  // Screens of the run whose turn has not begun end cancelled.
  void Cancel();

  // The board once its version differs from `seen` (at once when it already does); nothing once
  // the board is closed.
  std::optional<RunSnapshot> WaitForChange(uint64_t seen);

  // Ends every wait and lets no new one block: the studio is stopping.
  void Close();

 private:
  void Run(std::vector<ScreenTarget> screens, ScreenJob job, const protocol::CancelFlag& cancel);
  void Progress(size_t screen, uint32_t done, uint32_t total);
  void Changed();  // with mutex_ held

  std::mutex mutex_;
  std::condition_variable changed_;
  RunSnapshot board_;
  bool closed_ = false;
  // The run's own, so that a new run starts uncancelled; kept until the next run's start.
  std::unique_ptr<protocol::CancelFlag> cancel_;
  std::thread worker_;
};

}  // namespace veltrane::studio
