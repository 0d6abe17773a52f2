#include "builder/program_slot.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

#include "builder/records.h"
#include "common/busy_count.h"
#include "common/byte_reader.h"
#include "support/program_bench.h"

namespace veltrane::builder {
namespace {

using Bytes = std::vector<uint8_t>;

// An area of a chosen length whose bytes after the header are a marker.
class FixedArea final : public AreaItem {
 public:
  explicit FixedArea(size_t length, uint8_t marker = 0xEE) : length_(length), marker_(marker) {}
  size_t RecordLength(uint16_t colorMode) override {
    seenColorMode = colorMode;
    return length_;
  }
  size_t Write(std::span<uint8_t> record, uint16_t) override {
    WriteAreaHeader(record, format::kStringTag, 0, {});
    for (size_t i = format::kAreaHeaderSize; i < record.size(); ++i) record[i] = marker_;
    return record.size();
  }
  uint16_t seenColorMode = 0;

 private:
  size_t length_;
  uint8_t marker_;
};

// An area that writes other than the length it asked for: a part did not fit, or it stops short.
class MiswrittenArea final : public AreaItem {
 public:
  explicit MiswrittenArea(size_t written) : written_(written) {}
  size_t RecordLength(uint16_t) override { return 40; }
  size_t Write(std::span<uint8_t>, uint16_t) override { return written_; }

 private:
  size_t written_;
};

class ThrowingArea final : public AreaItem {
 public:
  size_t RecordLength(uint16_t) override { return 64; }
  size_t Write(std::span<uint8_t>, uint16_t) override {
    throw std::runtime_error("drawing failed");
  }
};

uint32_t ProgramLength(const Bytes& program) { return ByteReader(program).U32(4).value(); }
uint16_t PageCount(const Bytes& program) { return ByteReader(program).U16(2).value(); }

class ProgramSlots : public ::testing::Test, protected testing::ProgramBench {
 protected:
  void SetUp() override { ReleaseAllSlots(); }
  void TearDown() override { ReleaseAllSlots(); }
  Bytes Program(int32_t slot) { return PeekProgram(slot).value_or(Bytes{}); }
};

TEST_F(ProgramSlots, SixteenSlotsAreClaimedLowestFirstAndReused) {
  for (int32_t expected = 1; expected <= 16; ++expected) EXPECT_EQ(MakeRoot(1, 1), expected);
  EXPECT_EQ(MakeRoot(1, 1), 0);
  ReleaseSlot(3);
  EXPECT_EQ(MakeRoot(1, 1), 3);
  ASSERT_TRUE(TakeProgram(7).has_value());
  EXPECT_EQ(MakeRoot(1, 1), 7);
}

TEST_F(ProgramSlots, NoNewProgramWhileMoreThanSixteenOperationsRun) {
  std::vector<std::unique_ptr<BusyScope>> running;
  for (int i = 0; i < 16; ++i) running.push_back(std::make_unique<BusyScope>(busy));
  EXPECT_EQ(MakeRoot(1, 1), 1);
  running.push_back(std::make_unique<BusyScope>(busy));
  EXPECT_EQ(MakeRoot(1, 1), 0);
}

TEST_F(ProgramSlots, RootAndPageBytes) {
  const int32_t slot = MakeRoot(1, 1);
  EXPECT_EQ(Program(slot),
            (Bytes{0x01, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}));
  ASSERT_EQ(AddLeaf(slot, 5), 1);
  EXPECT_EQ(Program(slot), (Bytes{0x01, 0x00, 0x01, 0x00, 0x1C, 0x00, 0x00, 0x00, 0x01, 0x00,
                                  0x00, 0x00, 0x30, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00,
                                  0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00}));
}

TEST_F(ProgramSlots, FieldsKeepTheirLowBits) {
  const int32_t slot = MakeRoot(0x12345, 0x10002);
  ASSERT_EQ(AddLeaf(slot, static_cast<int32_t>(0x80000001u)), 1);
  const Bytes program = Program(slot);
  const ByteReader read(program);
  EXPECT_EQ(read.U16(0), 0x2345);
  EXPECT_EQ(read.U16(8), 0x0002);
  EXPECT_EQ(read.U32(12 + 4), 0x80000001u);
}

TEST_F(ProgramSlots, AreasGrowTheirPageAndTheRoot) {
  const int32_t slot = MakeRoot(1, 2);
  ASSERT_EQ(AddLeaf(slot, 1), 1);
  ASSERT_EQ(AddLeaf(slot, 2), 1);
  FixedArea area(40);
  ASSERT_EQ(slots.AppendArea(slot, area), 1);
  EXPECT_EQ(area.seenColorMode, 2);
  const Bytes program = Program(slot);
  const ByteReader read(program);
  ASSERT_EQ(program.size(), 12u + 16 + 16 + 40);
  EXPECT_EQ(PageCount(program), 2);
  EXPECT_EQ(ProgramLength(program), program.size());
  EXPECT_EQ(read.U16(12 + 2), 0);  // first page: no areas
  EXPECT_EQ(read.U32(12 + 12), 16u);
  EXPECT_EQ(read.U16(28 + 2), 1);  // second page: one area of 40 bytes
  EXPECT_EQ(read.U32(28 + 12), 56u);
  EXPECT_EQ(read.U32(44 + 4), 40u);  // the record's own length
}

TEST_F(ProgramSlots, RefusalsChangeNothing) {
  const int32_t slot = MakeRoot(1, 1);
  FixedArea area(20);
  EXPECT_EQ(slots.AppendArea(slot, area), 0);  // no page yet
  EXPECT_EQ(ProgramLength(Program(slot)), 12u);
  ASSERT_EQ(AddLeaf(slot, 0), 1);
  const Bytes before = Program(slot);

  FixedArea refused(0);
  FixedArea tooShort(format::kAreaHeaderSize - 1);
  ThrowingArea throwing;
  EXPECT_EQ(slots.AppendArea(slot, refused), 0);
  EXPECT_EQ(slots.AppendArea(slot, tooShort), 0);
  for (size_t written : {0, 36, 41}) {
    MiswrittenArea miswritten(written);
    EXPECT_EQ(slots.AppendArea(slot, miswritten), 0) << written;
  }
  EXPECT_THROW(slots.AppendArea(slot, throwing), std::runtime_error);
  EXPECT_EQ(Program(slot), before);

  for (int32_t bad : {0, 17, -1, 1 << 30}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(AddLeaf(bad, 0), 0);
    EXPECT_EQ(slots.AppendArea(bad, area), 0);
    ReleaseSlot(bad);
    EXPECT_FALSE(slots.SendableSlot(bad));
    EXPECT_FALSE(TakeProgram(bad).has_value());
  }
  EXPECT_EQ(AddLeaf(slot + 1, 0), 0);  // a free slot
  ReleaseSlot(slot + 1);
  EXPECT_EQ(Program(slot), before);
}

TEST_F(ProgramSlots, TakingAProgramFlattensItAndFreesTheSlot) {
  const int32_t slot = MakeRoot(1, 1);
  ASSERT_EQ(AddLeaf(slot, 9), 1);
  FixedArea area(24, 0x5A);
  ASSERT_EQ(slots.AppendArea(slot, area), 1);
  const Bytes expected = Program(slot);
  EXPECT_TRUE(slots.SendableSlot(slot));
  const auto taken = TakeProgram(slot);
  ASSERT_TRUE(taken.has_value());
  EXPECT_EQ(*taken, expected);
  EXPECT_FALSE(slots.SendableSlot(slot));
  EXPECT_FALSE(TakeProgram(slot).has_value());  // a second send finds the slot free
  EXPECT_EQ(MakeRoot(1, 1), slot);
}

TEST_F(ProgramSlots, SendLimitIsExactlyTwoMebibytes) {
  const int32_t slot = MakeRoot(1, 1);
  ASSERT_EQ(AddLeaf(slot, 0), 1);
  FixedArea fill(format::kMaxProgramBytes - 12 - 16);
  ASSERT_EQ(slots.AppendArea(slot, fill), 1);
  EXPECT_EQ(ProgramLength(Program(slot)), format::kMaxProgramBytes);
  EXPECT_TRUE(slots.SendableSlot(slot));

  const int32_t over = MakeRoot(1, 1);
  ASSERT_EQ(AddLeaf(over, 0), 1);
  FixedArea overFill(format::kMaxProgramBytes - 12 - 16 + 1);
  ASSERT_EQ(slots.AppendArea(over, overFill), 1);
  EXPECT_FALSE(slots.SendableSlot(over));
  EXPECT_FALSE(TakeProgram(over).has_value());
  EXPECT_EQ(ProgramLength(Program(over)),
            format::kMaxProgramBytes + 1);  // kept for the caller to release

  const auto taken = TakeProgram(slot);
  ASSERT_TRUE(taken.has_value());
  EXPECT_EQ(taken->size(), format::kMaxProgramBytes);
}

// An area that asks for more than any test may allocate; its record must never be made.
class HugeArea final : public AreaItem {
 public:
  size_t RecordLength(uint16_t) override { return size_t{1} << 40; }
  size_t Write(std::span<uint8_t>, uint16_t) override {
    ADD_FAILURE() << "a record past the ceiling was allocated and written";
    return 0;
  }
};

TEST(ProgramSlotsCeiling, RefusesWhatWouldPassItBeforeAllocatingAndSaysHowFar) {
  constexpr size_t kCeiling = 1000;
  constexpr size_t kRootAndPage = format::kRootSize + format::kLeafSize;
  const BusyCount idle;
  builder::ProgramSlots slots(idle, kCeiling);
  const int32_t slot = slots.MakeRoot(1, 2);
  ASSERT_EQ(slots.AddLeaf(slot, 0), 1);
  EXPECT_EQ(slots.LengthPastCeiling(slot), 0u);

  struct Case {
    const char* what;
    std::function<int32_t()> add;
    int32_t added;
    size_t lengthAfter;        // the program's length once the call returns
    size_t lengthPastCeiling;  // what the slot says about the last refusal
  };
  HugeArea huge;
  FixedArea oneTooMany(kCeiling - kRootAndPage + 1);
  FixedArea exactFit(kCeiling - kRootAndPage);
  const Case cases[] = {
      {"a record far past the ceiling", [&] { return slots.AppendArea(slot, huge); }, 0,
       kRootAndPage, kRootAndPage + (size_t{1} << 40)},
      {"one byte past", [&] { return slots.AppendArea(slot, oneTooMany); }, 0, kRootAndPage,
       kCeiling + 1},
      {"exactly up to it", [&] { return slots.AppendArea(slot, exactFit); }, 1, kCeiling,
       kCeiling + 1},
      {"a page past it", [&] { return slots.AddLeaf(slot, 0); }, 0, kCeiling,
       kCeiling + format::kLeafSize},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.add(), c.added);
    EXPECT_EQ(ProgramLength(*slots.PeekProgram(slot)), c.lengthAfter);
    EXPECT_EQ(slots.PeekProgram(slot)->size(), c.lengthAfter);
    EXPECT_EQ(slots.LengthPastCeiling(slot), c.lengthPastCeiling);
  }
  slots.ReleaseSlot(slot);
  EXPECT_EQ(slots.LengthPastCeiling(slots.MakeRoot(1, 2)), 0u);  // a new program starts afresh
}

TEST_F(ProgramSlots, SixteenBitCountsStopAtTheirLimit) {
  const int32_t slot = MakeRoot(1, 1);
  for (int i = 0; i < 65535; ++i) ASSERT_EQ(AddLeaf(slot, i), 1);
  EXPECT_EQ(AddLeaf(slot, 0), 0);
  FixedArea area(16);
  for (int i = 0; i < 65535; ++i) ASSERT_EQ(slots.AppendArea(slot, area), 1);
  EXPECT_EQ(slots.AppendArea(slot, area), 0);
  const Bytes program = Program(slot);
  EXPECT_EQ(PageCount(program), 65535);
  EXPECT_EQ(ProgramLength(program), program.size());
  const size_t lastPage = 12 + 16 * 65534;
  EXPECT_EQ(ByteReader(program).U16(lastPage + 2), 65535);
  EXPECT_EQ(ByteReader(program).U32(lastPage + 12), 16u + 16u * 65535);
}

}  // namespace
}  // namespace veltrane::builder
