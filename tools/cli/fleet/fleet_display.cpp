// SPDX-License-Identifier: MIT
#include "fleet_display.h"

#include <chrono>

#include "fleet_results.h"

namespace veltrane::cli {
namespace {

constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
// Lines are cut to fit the narrowest common terminal, so that none wraps and upsets the count
// of lines to redraw.
constexpr size_t kLineWidth = 79;
constexpr int kBarWidth = 20;

// `text` cut to at most `width` bytes, never inside a UTF-8 sequence.
std::string Cut(std::string text, size_t width) {
  if (text.size() <= width) return text;
  size_t end = width;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

std::string Bar(uint32_t done, uint32_t total) {
  const int filled = total == 0 ? 0 : static_cast<int>(int64_t{kBarWidth} * done / total);
  return "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] " +
         std::to_string(total == 0 ? 0 : 100 * uint64_t{done} / total) + "%";
}

}  // namespace

std::string LiveLine(const tools::FleetScreen& screen, const TurnProgress& progress) {
  std::string state;
  switch (progress.phase.load()) {
    case TurnProgress::Waiting:
      state = "waiting";
      break;
    case TurnProgress::Running:
      state = progress.packetsTotal > 0 ? Bar(progress.packetsDone, progress.packetsTotal)
                                        : std::string("running");
      break;
    case TurnProgress::Done:
      state = ResultWord(progress.status.load());
      break;
  }
  return Cut(DisplayName(screen) + "  " + screen.where + "  " + state, kLineWidth);
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
      lines.push_back(LiveLine(screens_[i], progress_[i]));
  }
  lines.push_back(std::to_string(done) + " of " + std::to_string(screens_.size()) + " done, " +
                  std::to_string(running) + " running, " + std::to_string(failed) + " failed");
  return lines;
}

}  // namespace veltrane::cli
