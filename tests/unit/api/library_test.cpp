// SPDX-License-Identifier: MIT
#include "api/library.h"

#include <gtest/gtest.h>

#include "support/fake_clock.h"
#include "support/status_print.h"

namespace veltrane::api {
namespace {

TEST(CleanupWait, IdleLibraryPausesOnlyTheHundredMilliseconds) {
  testing::FakeClock clock;
  BusyCount busy;
  WaitForIdle(clock, busy);
  EXPECT_EQ(clock.sleptMs(), kCleanupPauseMs);
}

TEST(CleanupWait, LooksEveryTenMillisecondsUntilTheCountDrops) {
  testing::FakeClock clock;
  BusyCount busy;
  busy.Raise();
  clock.onSleep = [&](uint32_t nowMs) {
    if (nowMs == 250) busy.Lower();
  };
  WaitForIdle(clock, busy);
  EXPECT_EQ(clock.sleptMs(), 250u + kCleanupPauseMs);
}

TEST(CleanupWait, GivesUpAfterEightSecondsAcrossATickWrap) {
  for (uint32_t start : {0u, 0xFFFFF000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(start);
    testing::FakeClock clock(start);
    BusyCount busy;
    busy.Raise();
    WaitForIdle(clock, busy);
    EXPECT_EQ(clock.sleptMs(), kCleanupWaitMs + kCleanupPauseMs);
  }
}

TEST(CleanupWait, SlowLooksStillEndAtTheDeadline) {
  // Looks that take longer than planned (a busy machine) do not stretch the wait.
  testing::FakeClock clock;
  BusyCount busy;
  busy.Raise();
  clock.onSleep = [&](uint32_t) { clock.Advance(990); };
  WaitForIdle(clock, busy);
  EXPECT_LE(clock.NowMs(), kCleanupWaitMs + 1000 + kCleanupPauseMs + 990);
  EXPECT_GE(clock.NowMs(), kCleanupWaitMs);
}

TEST(Lifecycle, SwitchesSurviveStartAndStop) {
  testing::FakeClock clock;
  Library library(clock);
  library.switches().senderEnabled = 0;
  library.switches().debugFlag = 7;
  ASSERT_EQ(library.Start(), 1);
  EXPECT_TRUE(library.Started());
  EXPECT_EQ(library.switches().senderEnabled, 0);
  EXPECT_EQ(library.switches().debugFlag, 7);
  EXPECT_EQ(library.Stop(), 0);
  EXPECT_FALSE(library.Started());
  EXPECT_EQ(library.switches().senderEnabled, 0);
  EXPECT_EQ(library.switches().debugFlag, 7);
  EXPECT_EQ(library.Stop(), -1);
}

TEST(Lifecycle, StopFreesEveryProgramStillHeld) {
  testing::FakeClock clock;
  Library library(clock);
  ASSERT_EQ(library.Start(), 1);
  const int32_t first = library.slots().MakeRoot(1, 1).slot;
  const int32_t second = library.slots().MakeRoot(1, 2).slot;
  ASSERT_EQ(library.slots().AddLeaf(second, 0), Status::Ok);
  EXPECT_EQ(library.Stop(), 0);
  EXPECT_FALSE(library.slots().PeekProgram(first).has_value());
  EXPECT_FALSE(library.slots().PeekProgram(second).has_value());
}

TEST(Lifecycle, StartZeroesTheBusyCountAndFreesHeldPrograms) {
  testing::FakeClock clock;
  Library library(clock);
  library.busy().Raise();
  library.busy().Raise();
  ASSERT_EQ(library.slots().MakeRoot(1, 1).slot, 1);
  library.Start();
  EXPECT_EQ(library.busy().Read(), 0);
  EXPECT_FALSE(library.slots().PeekProgram(1));
  library.Stop();
}

TEST(Lifecycle, EachLibraryKeepsItsOwnState) {
  testing::FakeClock clock;
  Library first(clock);
  Library second(clock);
  ASSERT_EQ(first.slots().MakeRoot(1, 1).slot, 1);
  EXPECT_EQ(second.slots().MakeRoot(1, 1).slot, 1);  // the other library's slot 1 is not taken
  ASSERT_TRUE(first.comPorts().Set(3, "/dev/ttyUSB3"));
  EXPECT_EQ(second.comPorts().PathOf(3), "/dev/ttyS2");
  ASSERT_EQ(first.SetTextEncoding("GBK"), Status::Ok);
  EXPECT_EQ(first.textEncoding().Name(), "GBK");
  EXPECT_NE(second.textEncoding().Name(), "GBK");
  EXPECT_EQ(first.SetTextEncoding("NO-SUCH-CODE-PAGE"), Status::BadArgument);
  EXPECT_EQ(first.textEncoding().Name(), "GBK");  // a refused name changes nothing
}

}  // namespace
}  // namespace veltrane::api
