// SPDX-License-Identifier: MIT
#include "builder/program.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "builder/records.h"
#include "common/byte_reader.h"
#include "format/packets.h"
#include "support/fixed_area.h"
#include "support/status_print.h"

namespace veltrane::builder {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::FixedArea;

// An area that refuses itself with its own reason.
class RefusingArea final : public AreaItem {
 public:
  Result<size_t> RecordLength(uint16_t) override {
    return Failure({Status::CannotBuild, "the item's own reason"});
  }
  Result<size_t> Write(std::span<uint8_t>, uint16_t) override { return 0; }
};

// An area that writes other than the length it asked for: a part did not fit, or it stops short.
class MiswrittenArea final : public AreaItem {
 public:
  explicit MiswrittenArea(size_t written) : written_(written) {}
  Result<size_t> RecordLength(uint16_t) override { return 40; }
  Result<size_t> Write(std::span<uint8_t>, uint16_t) override { return written_; }

 private:
  size_t written_;
};

class ThrowingArea final : public AreaItem {
 public:
  Result<size_t> RecordLength(uint16_t) override { return 64; }
  Result<size_t> Write(std::span<uint8_t>, uint16_t) override {
    throw std::runtime_error("drawing failed");
  }
};

// An area that asks for more than any test may allocate; its record must never be made.
class HugeArea final : public AreaItem {
 public:
  Result<size_t> RecordLength(uint16_t) override { return size_t{1} << 40; }
  Result<size_t> Write(std::span<uint8_t>, uint16_t) override {
    ADD_FAILURE() << "a record past the ceiling was allocated and written";
    return 0;
  }
};

// An area whose last field lies past the record it measured: the write must be reported, not
// leave a hole in a record that otherwise comes out at its length.
class OverreachingArea final : public AreaItem {
 public:
  Result<size_t> RecordLength(uint16_t) override { return 24; }
  Result<size_t> Write(std::span<uint8_t> record, uint16_t) override {
    ByteWriter fields(record);
    WriteAreaHeader(fields, format::kStringTag, 0, {});
    fields.U32At(22, 7);
    return Written(fields, record.size());
  }
};

uint32_t ProgramLength(const Bytes& program) { return ByteReader(program).U32(4).value(); }
uint16_t PageCount(const Bytes& program) { return ByteReader(program).U16(2).value(); }

TEST(Program, RootAndPageBytes) {
  Program program(1, 1);
  EXPECT_EQ(program.Bytes(),
            (Bytes{0x01, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}));
  ASSERT_EQ(program.AddLeaf(5), Status::Ok);
  EXPECT_EQ(program.Bytes(), (Bytes{0x01, 0x00, 0x01, 0x00, 0x1C, 0x00, 0x00, 0x00, 0x01, 0x00,
                                    0x00, 0x00, 0x30, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00,
                                    0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00}));
  EXPECT_EQ(program.length(), 28u);
}

TEST(Program, FieldsKeepTheirLowBits) {
  Program program(0x12345, 0x10002);
  ASSERT_EQ(program.AddLeaf(static_cast<int32_t>(0x80000001u)), Status::Ok);
  const Bytes bytes = program.Bytes();
  ByteReader read(bytes);
  EXPECT_EQ(read.U16(0), 0x2345);
  EXPECT_EQ(read.U16(8), 0x0002);
  EXPECT_EQ(read.U32(12 + 4), 0x80000001u);
}

TEST(Program, AreasGrowTheirPageAndTheRoot) {
  Program program(1, 2);
  ASSERT_EQ(program.AddLeaf(1), Status::Ok);
  ASSERT_EQ(program.AddLeaf(2), Status::Ok);
  FixedArea area(40);
  ASSERT_EQ(program.AppendArea(area), Status::Ok);
  EXPECT_EQ(area.seenColorMode, 2);
  const Bytes bytes = program.Bytes();
  ByteReader read(bytes);
  ASSERT_EQ(bytes.size(), 12u + 16 + 16 + 40);
  EXPECT_EQ(PageCount(bytes), 2);
  EXPECT_EQ(ProgramLength(bytes), bytes.size());
  EXPECT_EQ(program.length(), bytes.size());
  EXPECT_EQ(read.U16(12 + 2), 0);  // first page: no areas
  EXPECT_EQ(read.U32(12 + 12), 16u);
  EXPECT_EQ(read.U16(28 + 2), 1);  // second page: one area of 40 bytes
  EXPECT_EQ(read.U32(28 + 12), 56u);
  EXPECT_EQ(read.U32(44 + 4), 40u);  // the record's own length
}

TEST(Program, RefusalsChangeNothingAndSayWhy) {
  Program program(1, 1);
  FixedArea area(20);
  EXPECT_EQ(program.AppendArea(area), Status::BadArgument);  // no page yet
  EXPECT_EQ(program.length(), 12u);
  ASSERT_EQ(program.AddLeaf(0), Status::Ok);
  const Bytes before = program.Bytes();

  struct Case {
    const char* name;
    std::function<Status()> add;
    Status::Code code;
    std::string reason;
  };
  FixedArea tooShort(format::kAreaHeaderSize - 1);
  RefusingArea refusing;
  OverreachingArea overreaching;
  const auto miswritten = [&](size_t written) {
    MiswrittenArea item(written);
    return program.AppendArea(item);
  };
  const Case cases[] = {
      {"the item's own refusal", [&] { return program.AppendArea(refusing); }, Status::CannotBuild,
       "the item's own reason"},
      {"shorter than a header", [&] { return program.AppendArea(tooShort); }, Status::CannotBuild,
       "the area measured shorter than its record header"},
      {"wrote nothing", [&] { return miswritten(0); }, Status::CannotBuild,
       "the area's record came out other than its measured length"},
      {"wrote short", [&] { return miswritten(36); }, Status::CannotBuild,
       "the area's record came out other than its measured length"},
      {"wrote long", [&] { return miswritten(41); }, Status::CannotBuild,
       "the area's record came out other than its measured length"},
      {"a field past the record", [&] { return program.AppendArea(overreaching); },
       Status::CannotBuild, "a write of 4 bytes at byte 22 passes the end of 24 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Status status = c.add();
    EXPECT_EQ(status.code(), c.code);
    EXPECT_EQ(status.reason(), c.reason);
    EXPECT_EQ(program.Bytes(), before);
  }
  ThrowingArea throwing;
  EXPECT_THROW(program.AppendArea(throwing), std::runtime_error);
  EXPECT_EQ(program.Bytes(), before);
}

TEST(Program, TakingItFlattensItAllAtOnce) {
  Program program(1, 1);
  ASSERT_EQ(program.AddLeaf(9), Status::Ok);
  FixedArea area(24, 0x5A);
  ASSERT_EQ(program.AppendArea(area), Status::Ok);
  const Bytes expected = program.Bytes();
  const std::optional<Bytes> taken = std::move(program).TakeBytes();
  ASSERT_TRUE(taken.has_value());
  EXPECT_EQ(*taken, expected);
}

TEST(ProgramCeiling, RefusesWhatWouldPassItBeforeAllocatingAndSaysHowFar) {
  constexpr size_t kCeiling = 1000;
  constexpr size_t kRootAndPage = format::kRootSize + format::kLeafSize;
  Program program(1, 2, kCeiling);
  ASSERT_EQ(program.AddLeaf(0), Status::Ok);

  struct Case {
    const char* what;
    std::function<Status()> add;
    Status::Code code;
    size_t lengthAfter;  // the program's length once the call returns
    std::string reason;  // empty for Ok
  };
  HugeArea huge;
  FixedArea oneTooMany(kCeiling - kRootAndPage + 1);
  FixedArea exactFit(kCeiling - kRootAndPage);
  const auto past = [](size_t length) {
    return "this takes the program to " + std::to_string(length) +
           " bytes, past its limit of 1000 bytes";
  };
  const Case cases[] = {
      {"a record far past the ceiling", [&] { return program.AppendArea(huge); },
       Status::CannotBuild, kRootAndPage, past(kRootAndPage + (size_t{1} << 40))},
      {"one byte past", [&] { return program.AppendArea(oneTooMany); }, Status::CannotBuild,
       kRootAndPage, past(kCeiling + 1)},
      {"exactly up to it", [&] { return program.AppendArea(exactFit); }, Status::Ok, kCeiling, ""},
      {"a page past it", [&] { return program.AddLeaf(0); }, Status::CannotBuild, kCeiling,
       past(kCeiling + format::kLeafSize)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Status status = c.add();
    EXPECT_EQ(status.code(), c.code);
    if (status != Status::Ok) {
      EXPECT_EQ(status.reason(), c.reason);
    }
    EXPECT_EQ(ProgramLength(program.Bytes()), c.lengthAfter);
    EXPECT_EQ(program.Bytes().size(), c.lengthAfter);
  }
}

TEST(Program, SixteenBitCountsStopAtTheirLimit) {
  Program program(1, 1);
  for (int i = 0; i < 65535; ++i) ASSERT_EQ(program.AddLeaf(i), Status::Ok);
  EXPECT_EQ(program.AddLeaf(0), Status::CannotBuild);
  FixedArea area(16);
  for (int i = 0; i < 65535; ++i) ASSERT_EQ(program.AppendArea(area), Status::Ok);
  EXPECT_EQ(program.AppendArea(area), Status::CannotBuild);
  const Bytes bytes = program.Bytes();
  EXPECT_EQ(PageCount(bytes), 65535);
  EXPECT_EQ(ProgramLength(bytes), bytes.size());
  const size_t lastPage = 12 + 16 * 65534;
  EXPECT_EQ(ByteReader(bytes).U16(lastPage + 2), 65535);
  EXPECT_EQ(ByteReader(bytes).U32(lastPage + 12), 16u + 16u * 65535);
}

}  // namespace
}  // namespace veltrane::builder
