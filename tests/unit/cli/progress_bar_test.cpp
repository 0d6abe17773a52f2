// SPDX-License-Identifier: MIT
// The single screen's progress bar on a real pseudo-terminal: its width, its redraw rate, and
// nothing at all off a terminal.
#include "progress_bar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/serial_port.h"
#include "platform/tools/pseudo_terminal.h"
#include "platform/tools/terminal.h"
#include "support/fake_clock.h"

namespace veltrane::cli {
namespace {

// An upload of `packets` packets, one acknowledged every `gapMs`, told to `bar`.
void Upload(ProgressBar& bar, veltrane::testing::FakeClock& clock, uint32_t packets,
            uint32_t gapMs) {
  for (uint32_t done = 1; done <= packets; ++done) {
    clock.Advance(gapMs);
    bar.Progressed(0, {done, packets, done * 512u});
  }
  protocol::ScreenResult result;
  result.outcome = {Status::Ok, std::nullopt, packets, packets, packets * 512u, std::nullopt};
  bar.Finished(0, result);
}

// What the terminal end of `pty` shows, read from its controller.
std::string Shown(const platform::PseudoTerminal& pty) {
  std::string text;
  uint8_t buffer[4096];
  while (const size_t n = pty.controller.ReadAvailable(buffer))
    text.append(reinterpret_cast<const char*>(buffer), n);
  return text;
}

TEST(ProgressBar, FitsTheTerminalAndRedrawsTenTimesASecondAtMost) {
  struct Case {
    int columns;
    uint32_t packets, gapMs;
    size_t maxDraws;  // one a 100 ms of the run, the first and the last
  };
  const Case cases[] = {
      {80, 94, 5, 470 / 100 + 2},
      {40, 94, 5, 470 / 100 + 2},
      {20, 10, 300, 10 + 1},  // slower than the limit: every packet shows
      {100, 1000, 1, 1000 / 100 + 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.columns);
    platform::PseudoTerminal pty = platform::OpenPseudoTerminal();
    ASSERT_FALSE(pty.terminalPath.empty());
    std::FILE* terminal = std::fopen(pty.terminalPath.c_str(), "w");
    ASSERT_NE(terminal, nullptr);
    ASSERT_TRUE(platform::SetTerminalColumns(terminal, c.columns));
    veltrane::testing::FakeClock clock(1000);
    ProgressBar bar(terminal, clock);
    Upload(bar, clock, c.packets, c.gapMs);
    std::fclose(terminal);
    const std::string shown = Shown(pty);
    const size_t draws = static_cast<size_t>(std::count(shown.begin(), shown.end(), '\r'));
    EXPECT_GE(draws, 2u);
    EXPECT_LE(draws, c.maxDraws);
    EXPECT_NE(shown.find(std::to_string(c.packets) + "/" + std::to_string(c.packets) + " packets"),
              std::string::npos)
        << shown;
    // Each drawing, without the control sequences, stays inside the line.
    size_t start = 0;
    while ((start = shown.find('\r', start)) != std::string::npos) {
      const size_t end = shown.find("\x1b[K", start);
      ASSERT_NE(end, std::string::npos);
      EXPECT_LT(end - start - 1, static_cast<size_t>(c.columns));
      start = end;
    }
  }
}

TEST(ProgressBar, DrawsNothingOffATerminalOrWhenNotWanted) {
  veltrane::testing::FakeClock clock;
  std::FILE* file = std::tmpfile();
  ProgressBar offTerminal(file, clock);
  Upload(offTerminal, clock, 20, 200);
  EXPECT_EQ(std::ftell(file), 0);
  std::fclose(file);

  platform::PseudoTerminal pty = platform::OpenPseudoTerminal();
  std::FILE* terminal = std::fopen(pty.terminalPath.c_str(), "w");
  ASSERT_NE(terminal, nullptr);
  ProgressBar unwanted(terminal, clock, false);
  Upload(unwanted, clock, 20, 200);
  std::fclose(terminal);
  EXPECT_EQ(Shown(pty), "");
}

}  // namespace
}  // namespace veltrane::cli
