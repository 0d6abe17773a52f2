// SPDX-License-Identifier: MIT
// The Windows side of what only the tools need of the system: the wake-up event and the timer an
// event loop would sleep on behave as on Linux, and what Windows cannot do fails when called,
// with a reason, rather than being missing at link time.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "platform/tools/addressed_udp_socket.h"
#include "platform/tools/input_watch.h"
#include "platform/tools/pseudo_terminal.h"
#include "platform/tools/timer.h"
#include "platform/tools/wakeup.h"

namespace veltrane::platform {
namespace {

constexpr uint64_t kTenSecondsNs = 10'000'000'000;

TEST(WindowsToolsPart, AWakeupEventIsReadableFromItsSignalUntilCleared) {
  WakeupEvent event;
  ASSERT_TRUE(event.valid());
  EXPECT_EQ(event.WaitReadable(0), WaitResult::TimedOut);
  event.Signal();
  EXPECT_EQ(event.WaitReadable(0), WaitResult::Ready);
  EXPECT_EQ(event.WaitReadable(0), WaitResult::Ready) << "a wait does not take the signal";
  event.Clear();
  EXPECT_EQ(event.WaitReadable(0), WaitResult::TimedOut);
}

TEST(WindowsToolsPart, ATimerIsReadableOnceDueUntilClearedOrSetLater) {
  Timer timer;
  ASSERT_TRUE(timer.valid());
  EXPECT_EQ(timer.WaitReadable(0), WaitResult::TimedOut);
  const uint64_t now = MonotonicNs();
  timer.SetFor(now + kTenSecondsNs);
  EXPECT_EQ(timer.WaitReadable(0), WaitResult::TimedOut);
  timer.SetFor(now);  // already past
  EXPECT_EQ(timer.WaitReadable(2000), WaitResult::Ready);
  EXPECT_EQ(timer.WaitReadable(0), WaitResult::Ready) << "a due timer stays readable";
  timer.Clear();
  EXPECT_EQ(timer.WaitReadable(0), WaitResult::TimedOut);
  timer.SetFor(now);
  EXPECT_EQ(timer.WaitReadable(2000), WaitResult::Ready) << "a cleared timer can be set again";
  EXPECT_GE(MonotonicNs(), now);
}

TEST(WindowsToolsPart, WhatWindowsCannotDoFailsWhenCalled) {
  StopRequest stop;
  const Status stopOpened = stop.Open();
  EXPECT_EQ(stopOpened.code(), Status::OsError);
  EXPECT_STRNE(stopOpened.reason(), "");

  AddressedUdpSocket socket;
  EXPECT_EQ(socket.Open(0).code(), Status::OsError);
  EXPECT_FALSE(socket.valid());
  std::array<AddressedUdpSocket, 2> shares;
  EXPECT_EQ(AddressedUdpSocket::OpenShares(shares, 0, 0x0101007F, 1).code(), Status::OsError);
  EXPECT_FALSE(shares[0].valid());

  EXPECT_TRUE(OpenPseudoTerminal().terminalPath.empty());

  WakeupEvent event;
  InputWatch watch;
  EXPECT_FALSE(watch.Add(event, 0));
}

}  // namespace
}  // namespace veltrane::platform
