#include "api/program_slots.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
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
  EXPECT_STREQ(none.status.reason(),
               "all 16 program slots hold a program: send or release one (LED_ReleaseMem) first");
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

TEST_F(Slots, NumbersWithoutAProgramAreRefusedAndNameTheSlot) {
  const int32_t slot = Claim();
  ASSERT_EQ(slots.AddLeaf(slot, 0), Status::Ok);
  const Bytes before = *slots.PeekProgram(slot);
  struct Case {
    int32_t slot;
    std::string reason;
  };
  const Case cases[] = {
      {0, "slot 0 is not a program slot: they are numbered 1 to 16"},
      {17, "slot 17 is not a program slot: they are numbered 1 to 16"},
      {-1, "slot -1 is not a program slot: they are numbered 1 to 16"},
      {1 << 30, "slot 1073741824 is not a program slot: they are numbered 1 to 16"},
      {slot + 1, "slot 2 holds no program: MakeRoot starts one"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.slot);
    bool ran = false;
    const auto build = [&](builder::Program&) {
      ran = true;
      return Status(Status::Ok);
    };
    const Status built = slots.Build(c.slot, build);
    const Status page = slots.AddLeaf(c.slot, 0);
    const Status sendable = slots.CheckSendable(c.slot);
    Bytes block;
    const Status taken = slots.TakeProgram(c.slot, block);
    for (const Status* status : {&built, &page, &sendable, &taken}) {
      EXPECT_EQ(*status, Status::BadArgument);
      EXPECT_EQ(status->reason(), c.reason);
    }
    EXPECT_FALSE(ran);
    slots.Release(c.slot);
    EXPECT_FALSE(slots.PeekProgram(c.slot).has_value());
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
  const std::string tooLarge =
      "the program in slot 2 is 2097153 bytes, 1 more than the 2097152 a screen accepts; it "
      "stays in its slot";
  EXPECT_EQ(slots.CheckSendable(over).reason(), tooLarge);
  Bytes block;
  const Status refused = slots.TakeProgram(over, block);
  EXPECT_EQ(refused, Status::BadArgument);
  EXPECT_EQ(refused.reason(), tooLarge);
  EXPECT_EQ(slots.PeekProgram(over)->size(), format::kMaxProgramBytes + 1);  // kept

  ASSERT_EQ(slots.TakeProgram(slot, block), Status::Ok);
  EXPECT_EQ(block.size(), format::kMaxProgramBytes);
}

}  // namespace
}  // namespace veltrane::api
