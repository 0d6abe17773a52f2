// SPDX-License-Identifier: MIT
#include "progress_bar.h"

#include <algorithm>
#include <string>

#include "platform/tools/terminal.h"
#include "terminal_line.h"

namespace veltrane::cli {
namespace {

constexpr size_t kMaxBarCells = 30;
// A bar narrower than this says nothing the count beside it does not.
constexpr size_t kMinBarCells = 5;

}  // namespace

ProgressBar::ProgressBar(std::FILE* out, platform::Clock& clock, bool wanted)
    : out_(out),
      clock_(clock),
      draw_(wanted && platform::IsTerminal(out)),
      startMs_(clock.NowMs()) {}

double ProgressBar::Seconds() { return (clock_.NowMs() - startMs_) / 1000.0; }

void ProgressBar::Progressed(size_t, const protocol::Progress& progress) {
  if (drawn_ && clock_.NowMs() - drawnMs_ < kRedrawEveryMs) return;
  Draw(progress);
}

void ProgressBar::Finished(size_t, const protocol::ScreenResult& result) {
  const protocol::Outcome& outcome = result.outcome;
  if (outcome.packetsDone > 0) Draw({outcome.packetsDone, outcome.packetsTotal, outcome.bytesDone});
  if (drawn_) std::fputc('\n', out_);
}

void ProgressBar::Draw(const protocol::Progress& progress) {
  if (!draw_) return;
  char counts[96];
  std::snprintf(counts, sizeof counts, " %u/%u packets, %.1f KiB, %.1f KiB/s", progress.done,
                progress.total, progress.bytes / 1024.0,
                progress.bytes / 1024.0 / std::max(Seconds(), 1e-3));
  const size_t width = LineWidth(out_);
  const size_t room = width > std::char_traits<char>::length(counts) + 2
                          ? width - std::char_traits<char>::length(counts) - 2
                          : 0;
  const size_t cells = std::min(room, kMaxBarCells);
  const std::string bar = cells >= kMinBarCells ? Bar(progress.done, progress.total, cells) : "";
  // Back to the line's start, the line, then whatever a longer line before left wiped.
  std::fprintf(out_, "\r%s\x1b[K", Cut(bar + counts, width).c_str());
  std::fflush(out_);
  drawn_ = true;
  drawnMs_ = clock_.NowMs();
}

}  // namespace veltrane::cli
