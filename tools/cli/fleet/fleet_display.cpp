// SPDX-License-Identifier: MIT
#include "fleet_display.h"

#include <chrono>

#include "fleet_results.h"
#include "terminal_line.h"

namespace veltrane::cli {
namespace {

constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr size_t kBarWidth = 20;
// A long name gives way first: the state and where the screen is say more.
constexpr size_t kShortNameBytes = 16;

std::string StateText(const TurnProgress& progress) {
  switch (progress.phase.load()) {
    case TurnProgress::Waiting:
      return "waiting";
    case TurnProgress::Running: {
      const uint32_t done = progress.packetsDone, total = progress.packetsTotal;
      if (total == 0) return "running";
      return Bar(done, total, kBarWidth) + " " + std::to_string(100 * uint64_t{done} / total) + "%";
    }
    case TurnProgress::Done:
      break;
  }
  return ResultWord(progress.status.load());
}

}  // namespace

std::string LiveLine(const tools::FleetScreen& screen, const TurnProgress& progress, size_t width) {
  const std::string name = DisplayName(screen);
  const std::string state = StateText(progress);
  const std::string whole = name + "  " + screen.where + "  " + state;
  if (whole.size() <= width) return whole;
  const std::string shortName = Shorten(name, kShortNameBytes);
  const size_t besideWhere = shortName.size() + 4 + state.size();
  if (besideWhere >= width) return Cut(shortName + "  " + state, width);
  return shortName + "  " + Shorten(screen.where, width - besideWhere) + "  " + state;
}

LiveDisplay::LiveDisplay(const std::vector<tools::FleetScreen>& screens,
                         const std::vector<TurnProgress>& progress, std::FILE* out)
    : screens_(screens), progress_(progress), out_(out), thread_(&LiveDisplay::Run, this) {}

LiveDisplay::~LiveDisplay() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_.notify_one();
  thread_.join();
  // Back to the block's first line, and everything below it wiped.
  if (drawnLines_ > 0) std::fprintf(out_, "\x1b[%zuA\r\x1b[J", drawnLines_);
  std::fflush(out_);
}

void LiveDisplay::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    Draw();
    stop_.wait_for(lock, kRedrawEvery, [this] { return stopping_; });
  }
}

void LiveDisplay::Draw() {
  const std::vector<std::string> lines = Frame();
  std::string text;
  if (drawnLines_ > 0) text += "\x1b[" + std::to_string(drawnLines_) + "A";
  for (const std::string& line : lines) text += "\r\x1b[2K" + line + "\n";
  // A shorter frame than the last leaves old lines below; wipe them.
  text += "\x1b[J";
  std::fputs(text.c_str(), out_);
  std::fflush(out_);
  drawnLines_ = lines.size();
}

std::vector<std::string> LiveDisplay::Frame() const {
  const size_t width = LineWidth(out_);
  std::vector<std::string> lines;
  size_t done = 0, running = 0, failed = 0;
  const bool everyScreen = screens_.size() <= kMaxLiveScreens;
  for (size_t i = 0; i < screens_.size(); ++i) {
    const TurnProgress::Phase phase = progress_[i].phase.load();
    done += phase == TurnProgress::Done;
    running += phase == TurnProgress::Running;
    failed += phase == TurnProgress::Done && progress_[i].status.load() != Status::Ok;
    const bool shown = everyScreen || phase == TurnProgress::Running;
    if (shown && lines.size() < kMaxLiveScreens)
      lines.push_back(LiveLine(screens_[i], progress_[i], width));
  }
  lines.push_back(Cut(std::to_string(done) + " of " + std::to_string(screens_.size()) + " done, " +
                          std::to_string(running) + " running, " + std::to_string(failed) +
                          " failed",
                      width));
  return lines;
}

}  // namespace veltrane::cli
