// SPDX-License-Identifier: MIT
#include "run_board.h"

#include <functional>
#include <system_error>

namespace veltrane::studio {

RunBoard::~RunBoard() {
  Cancel();
  Close();
  if (worker_.joinable()) worker_.join();
}

bool RunBoard::Start(std::vector<ScreenTarget> screens, ScreenJob job, std::string action) {
  std::lock_guard lock(mutex_);
  if (board_.running || closed_) return false;
  if (worker_.joinable()) worker_.join();  // the last run has ended: its thread is finishing
  board_.running = true;
  board_.action = std::move(action);
  board_.rows.clear();
  for (const ScreenTarget& screen : screens)
    board_.rows.push_back({screen.name, screen.where, 0, 0, std::nullopt});
  cancel_ = std::make_unique<protocol::CancelFlag>();
  try {
    worker_ =
        std::thread(&RunBoard::Run, this, std::move(screens), std::move(job), std::cref(*cancel_));
  } catch (const std::system_error&) {
    board_.running = false;  // no thread to be had: nothing was started
    return false;
  }
  Changed();
  return true;
}

void RunBoard::Cancel() {
  std::lock_guard lock(mutex_);
  if (cancel_) cancel_->Request();
}

std::optional<RunSnapshot> RunBoard::WaitForChange(uint64_t seen) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return closed_ || board_.version != seen; });
  if (closed_) return std::nullopt;
  return board_;
}

void RunBoard::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

void RunBoard::Run(std::vector<ScreenTarget> screens, ScreenJob job,
                   const protocol::CancelFlag& cancel) {
  const std::vector<ScreenOutcome> outcomes = RunScreens(
      screens, job,
      [this](size_t screen, uint32_t done, uint32_t total) { Progress(screen, done, total); },
      cancel);
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < outcomes.size(); ++i) board_.rows[i].outcome = outcomes[i];
  board_.running = false;
  Changed();
}

void RunBoard::Progress(size_t screen, uint32_t done, uint32_t total) {
  std::lock_guard lock(mutex_);
  board_.rows[screen].done = done;
  board_.rows[screen].total = total;
  Changed();
}

void RunBoard::Changed() {
  ++board_.version;
  changed_.notify_all();
}

}  // namespace veltrane::studio
