// SPDX-License-Identifier: MIT
// Runs on screens: one outcome per screen, progress as packets are acknowledged, silent screens
// said apart from refusing ones, cancelled screens never driven.
#include "screen_runs.h"

#include <gtest/gtest.h>

#include <mutex>

#include "run_board.h"
#include "support/screen_harness.h"
#include "support/test_programs.h"

namespace veltrane::studio {
namespace {

std::vector<ScreenTarget> Fleet(const std::vector<const testing::ScreenHarness*>& screens) {
  std::string text;
  for (size_t i = 0; i < screens.size(); ++i)
    text += "udp 127.0.0.1:" + std::to_string(screens[i]->screen().udpPort()) + " name=s" +
            std::to_string(i) + "\n";
  return tools::ParseFleetFile(text, "fleet").value();
}

sim::Faults Silent() {
  sim::Faults faults;
  faults.silent = true;
  return faults;
}

TEST(ScreenRuns, EachScreenEndsOkSilentOrRefusingWithItsProgress) {
  sim::Faults refuse;
  refuse.refusePrograms = true;
  testing::ScreenHarness north, south, silent(Silent()), refusing(refuse);
  const std::vector<ScreenTarget> fleet = Fleet({&north, &silent, &south, &refusing});
  const ScreenJob job{ScreenJob::Send, testing::TestProgram(3000), 0};
  std::mutex mutex;
  std::vector<uint32_t> lastDone(fleet.size()), lastTotal(fleet.size());
  const protocol::CancelFlag cancel;
  const std::vector<ScreenOutcome> outcomes = RunScreens(
      fleet, job,
      [&](size_t screen, uint32_t done, uint32_t total) {
        std::lock_guard lock(mutex);
        lastDone[screen] = done;
        lastTotal[screen] = total;
      },
      cancel);
  ASSERT_EQ(outcomes.size(), 4u);
  const Status::Code expected[] = {Status::Ok, Status::Timeout, Status::Ok, Status::Refused};
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(outcomes[i].status, expected[i]) << outcomes[i].why;
  }
  for (const size_t ok : {size_t{0}, size_t{2}}) {
    EXPECT_EQ(outcomes[ok].packetsDone, outcomes[ok].packetsTotal);
    EXPECT_GT(outcomes[ok].packetsTotal, 2u);
    EXPECT_EQ(outcomes[ok].bytes, job.program.size());
    EXPECT_EQ(lastDone[ok], lastTotal[ok]);
  }
  EXPECT_EQ(north.screen().LastProgram(), job.program);
  EXPECT_EQ(outcomes[1].why, "the screen did not answer");
  EXPECT_EQ(lastDone[1], 0u);
  EXPECT_LT(outcomes[3].packetsDone, outcomes[3].packetsTotal);  // its end was refused
}

TEST(ScreenRuns, CommandsReadAndSetEveryScreen) {
  testing::ScreenHarness first, second;
  const std::vector<ScreenTarget> fleet = Fleet({&first, &second});
  const protocol::CancelFlag cancel;
  for (const ScreenJob::Kind kind : {ScreenJob::PowerOff, ScreenJob::SetBrightness,
                                     ScreenJob::SetClock, ScreenJob::ReadStatus}) {
    SCOPED_TRACE(kind);
    const auto outcomes = RunScreens(fleet, {kind, {}, 5}, {}, cancel);
    for (const ScreenOutcome& outcome : outcomes)
      EXPECT_EQ(outcome.status, Status::Ok) << outcome.why;
  }
  const auto status = RunScreens(fleet, {ScreenJob::ReadStatus, {}, 0}, {}, cancel);
  for (const ScreenOutcome& outcome : status) {
    EXPECT_EQ(outcome.power, 0);
    EXPECT_EQ(outcome.brightness, 5);
  }
}

TEST(ScreenRuns, ACancelledRunDrivesNoScreenThatHadNotBegun) {
  testing::ScreenHarness screen;
  protocol::CancelFlag cancel;
  cancel.Request();
  const auto outcomes =
      RunScreens(Fleet({&screen}), {ScreenJob::Send, testing::TestProgram(500), 0}, {}, cancel);
  EXPECT_EQ(outcomes[0].status, Status::Cancelled);
  EXPECT_EQ(outcomes[0].packetsDone, 0u);
  EXPECT_TRUE(screen.screen().LastProgram().empty());
}

TEST(RunBoard, OneRunAtATimeWatchedUntilItEnds) {
  testing::ScreenHarness silent(Silent());
  RunBoard board;
  ASSERT_TRUE(board.Start(Fleet({&silent}), {ScreenJob::ReadStatus, {}, 0}, "status"));
  EXPECT_FALSE(board.Start(Fleet({&silent}), {ScreenJob::ReadStatus, {}, 0}, "status"));
  std::optional<RunSnapshot> seen = board.WaitForChange(UINT64_MAX);
  ASSERT_TRUE(seen);
  while (seen->running) seen = board.WaitForChange(seen->version);
  ASSERT_EQ(seen->rows.size(), 1u);
  ASSERT_TRUE(seen->rows[0].outcome);
  EXPECT_EQ(seen->rows[0].outcome->status, Status::Timeout);
  EXPECT_EQ(seen->rows[0].name, "s0");
  // Once closed, no wait blocks.
  board.Close();
  EXPECT_FALSE(board.WaitForChange(seen->version).has_value());
}

}  // namespace
}  // namespace veltrane::studio
