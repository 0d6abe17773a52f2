// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/paced_line.h"
#include "sim/timer_queue.h"

namespace veltrane::sim {
namespace {

std::vector<std::string> TakeAllDue(TimerQueue<std::string>& queue, uint64_t nowNs) {
  std::vector<std::string> taken;
  while (auto item = queue.PopDue(nowNs)) taken.push_back(*item);
  return taken;
}

TEST(TimerQueue, GivesItemsOnceDueEarliestFirstAndTiesInPushOrder) {
  TimerQueue<std::string> queue;
  EXPECT_FALSE(queue.NextDueNs());
  queue.Push(300, "late");
  queue.Push(100, "first at 100");
  queue.Push(200, "at 200");
  queue.Push(100, "second at 100");
  EXPECT_EQ(queue.NextDueNs(), 100u);
  EXPECT_TRUE(TakeAllDue(queue, 99).empty());
  EXPECT_EQ(TakeAllDue(queue, 200),
            (std::vector<std::string>{"first at 100", "second at 100", "at 200"}));
  EXPECT_EQ(queue.NextDueNs(), 300u);
  EXPECT_EQ(TakeAllDue(queue, 1000), std::vector<std::string>{"late"});
  EXPECT_TRUE(queue.empty());
}

TEST(PacedLine, CarriesTenBitsAByteAndQueuesBehindWhatIsOnTheLine) {
  PacedLine line(100000);  // 100 µs a byte
  EXPECT_TRUE(line.paced());
  EXPECT_EQ(line.Carry(1000000, 5), 1500000u);
  // Offered while those are still on the line: they follow them.
  EXPECT_EQ(line.Carry(1200000, 1), 1600000u);
  // Offered after the line fell idle: the idle time is not made up.
  EXPECT_EQ(line.Carry(5000000, 2), 5200000u);

  PacedLine unpaced;
  EXPECT_FALSE(unpaced.paced());
  EXPECT_EQ(unpaced.Carry(7, 1000), 7u);
}

}  // namespace
}  // namespace veltrane::sim
