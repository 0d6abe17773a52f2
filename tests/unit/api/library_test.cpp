#include "api/library_state.h"

#include <gtest/gtest.h>

#include "support/fake_clock.h"

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
  testing::ScopedClock installed(clock);
  GlobalSwitches().senderEnabled = 0;
  GlobalSwitches().debugFlag = 7;
  ASSERT_EQ(StartLibrary(), 1);
  EXPECT_TRUE(LibraryStarted());
  EXPECT_EQ(GlobalSwitches().senderEnabled, 0);
  EXPECT_EQ(GlobalSwitches().debugFlag, 7);
  EXPECT_EQ(StopLibrary(), 0);
  EXPECT_FALSE(LibraryStarted());
  EXPECT_EQ(GlobalSwitches().senderEnabled, 0);
  EXPECT_EQ(GlobalSwitches().debugFlag, 7);
  EXPECT_EQ(StopLibrary(), -1);
  GlobalSwitches().senderEnabled = 1;
  GlobalSwitches().debugFlag = 0;
}

TEST(Lifecycle, StartZeroesTheBusyCount) {
  GlobalBusyCount().Raise();
  GlobalBusyCount().Raise();
  StartLibrary();
  EXPECT_EQ(GlobalBusyCount().Read(), 0);
  testing::FakeClock clock;
  testing::ScopedClock installed(clock);
  StopLibrary();
}

}  // namespace
}  // namespace veltrane::api
