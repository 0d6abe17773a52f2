// SPDX-License-Identifier: MIT
#include "api/program_slots.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "common/busy_count.h"
#include "format/packets.h"
#include "support/fixed_area.h"
#include "support/status_print.h"

namespace veltrane::api {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::FixedArea;

class Slots : public ::testing::Test {
 protected:
  int32_t Claim(int32_t colorMode = 1) {
    const api::Claim claim = slots.MakeRoot(1, colorMode);
    EXPECT_EQ(claim.status, Status::Ok);
    return claim.slot;
  }
  Status Append(int32_t slot, builder::AreaItem& item) {
    return slots.Build(slot, [&](builder::Program& program) { return program.AppendArea(item); });
  }

  BusyCount busy;
  ProgramSlots slots{busy};
};

TEST_F(Slots, SixteenAreClaimedLowestFirstAndReused) {
  for (int32_t expected = 1; expected <= kSlotCount; ++expected) EXPECT_EQ(Claim(), expected);
  const api::Claim none = slots.MakeRoot(1, 1);
  EXPECT_EQ(none.status, Status::CannotBuild);
  EXPECT_EQ(none.slot, 0);
  slots.Release(3);
  EXPECT_EQ(Claim(), 3);
  Bytes block;
  ASSERT_EQ(slots.TakeProgram(7, block), Status::Ok);
  EXPECT_EQ(Claim(), 7);
}

TEST_F(Slots, NoNewProgramWhileMoreThanSixteenOperationsRun) {
  std::vector<std::unique_ptr<BusyScope>> running;
  for (int i = 0; i < 16; ++i) running.push_back(std::make_unique<BusyScope>(busy));
  EXPECT_EQ(Claim(), 1);
  running.push_back(std::make_unique<BusyScope>(busy));
  const api::Claim refused = slots.MakeRoot(1, 1);
  EXPECT_EQ(refused.status, Status::CannotBuild);
  EXPECT_STREQ(refused.status.reason(),
               "more than 16 device operations are running: no program is started until fewer "
               "are");
}

TEST_F(Slots, ABuildRunsOnItsSlotsProgramUnderTheLock) {
  const int32_t first = Claim(1);
  const int32_t second = Claim(2);
  ASSERT_EQ(slots.AddLeaf(second, 0), Status::Ok);
  FixedArea area(24);
  ASSERT_EQ(Append(second, area), Status::Ok);
  EXPECT_EQ(area.seenColorMode, 2);
  EXPECT_EQ(slots.PeekProgram(first)->size(), 12u);
  EXPECT_EQ(slots.PeekProgram(second)->size(), 12u + 16 + 24);
}

TEST_F(Slots, NumbersWithoutAProgramAreRefusedAndTouchNothing) {
  const int32_t slot = Claim();
  ASSERT_EQ(slots.AddLeaf(slot, 0), Status::Ok);
  const Bytes before = *slots.PeekProgram(slot);
  for (const int32_t number : {0, 17, -1, 1 << 30, slot + 1}) {
    SCOPED_TRACE(number);
    bool ran = false;
    const auto build = [&](builder::Program&) {
      ran = true;
      return Status(Status::Ok);
    };
    EXPECT_EQ(slots.Build(number, build), Status::BadArgument);
    EXPECT_EQ(slots.AddLeaf(number, 0), Status::BadArgument);
    EXPECT_EQ(slots.CheckSendable(number), Status::BadArgument);
    Bytes block;
    EXPECT_EQ(slots.TakeProgram(number, block), Status::BadArgument);
    EXPECT_FALSE(ran);
    slots.Release(number);
    EXPECT_FALSE(slots.PeekProgram(number).has_value());
  }
  EXPECT_EQ(*slots.PeekProgram(slot), before);
}

TEST_F(Slots, TakingAProgramFlattensItAndFreesTheSlot) {
  const int32_t slot = Claim();
  ASSERT_EQ(slots.AddLeaf(slot, 9), Status::Ok);
  FixedArea area(24, 0x5A);
  ASSERT_EQ(Append(slot, area), Status::Ok);
  const Bytes expected = *slots.PeekProgram(slot);
  EXPECT_EQ(slots.CheckSendable(slot), Status::Ok);
  Bytes taken;
  ASSERT_EQ(slots.TakeProgram(slot, taken), Status::Ok);
  EXPECT_EQ(taken, expected);
  EXPECT_EQ(slots.CheckSendable(slot), Status::BadArgument);  // a second send finds it free
  EXPECT_EQ(Claim(), slot);
}

TEST_F(Slots, SendLimitIsExactlyTwoMebibytesAndALargerProgramStays) {
  const int32_t slot = Claim();
  ASSERT_EQ(slots.AddLeaf(slot, 0), Status::Ok);
  FixedArea fill(format::kMaxProgramBytes - 12 - 16);
  ASSERT_EQ(Append(slot, fill), Status::Ok);
  EXPECT_EQ(slots.CheckSendable(slot), Status::Ok);

  const int32_t over = Claim();
  ASSERT_EQ(slots.AddLeaf(over, 0), Status::Ok);
  FixedArea overFill(format::kMaxProgramBytes - 12 - 16 + 1);
  ASSERT_EQ(Append(over, overFill), Status::Ok);
  EXPECT_EQ(slots.CheckSendable(over), Status::BadArgument);
  Bytes block;
  EXPECT_EQ(slots.TakeProgram(over, block), Status::BadArgument);
  EXPECT_EQ(slots.PeekProgram(over)->size(), format::kMaxProgramBytes + 1);  // kept

  ASSERT_EQ(slots.TakeProgram(slot, block), Status::Ok);
  EXPECT_EQ(block.size(), format::kMaxProgramBytes);
}

}  // namespace
}  // namespace veltrane::api
