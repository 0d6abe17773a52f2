// SPDX-License-Identifier: MIT
#include "builder/string_area.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builder/program.h"
#include "common/byte_reader.h"
#include "support/program_bench.h"

namespace veltrane::builder {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t kFirstArea = 12 + 16;

class StringAreas : public ::testing::Test, protected testing::ProgramBench {
 protected:
  void SetUp() override { ASSERT_EQ(NewPage(1), Status::Ok); }

  // Adds one string area and returns its record.
  Bytes Add(const char* text, const StringArea& fields = {}) {
    EXPECT_EQ(AddString(fields, text), Status::Ok);
    const Bytes program = Block();
    return Bytes(program.begin() + kFirstArea, program.end());
  }
};

TEST_F(StringAreas, RecordLengthRoundsTheTerminatedTextToFourBytes) {
  struct Case {
    std::string text;
    uint32_t recordLength;
  };
  const Case cases[] = {{"", 40},
                        {"abc", 40},
                        {"abcd", 44},
                        {std::string(2047, 'x'), 2084},
                        {std::string(5000, 'y'), 2084}};  // cut at 2047 bytes
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.size());
    SetUp();
    const Bytes record = Add(c.text.c_str());
    ASSERT_EQ(record.size(), c.recordLength);
    EXPECT_EQ(ByteReader(record).U32(4), c.recordLength);
    const size_t kept = std::min<size_t>(c.text.size(), 2047);
    EXPECT_EQ(std::string(record.begin() + 36, record.begin() + 36 + kept), c.text.substr(0, kept));
    for (size_t i = 36 + kept; i < record.size(); ++i) ASSERT_EQ(record[i], 0) << i;
  }
}

TEST_F(StringAreas, FieldsGoWhereTheRecordPutsThem) {
  StringArea fields;
  fields.area = {-1, 0, 70000, 16};
  fields.areaParam = 0x10007;
  fields.stringParamA = 1;
  fields.stringParamB = 2;
  fields.paramA = 3;
  fields.paramB = 0x1FFFF;
  const Bytes record = Add("hi", fields);
  ByteReader read(record);
  EXPECT_EQ(read.U16(0), 0x33);
  EXPECT_EQ(read.U16(2), 0x0007);
  EXPECT_EQ(read.U16(8), 0xFFFF);
  EXPECT_EQ(read.U16(10), 0);
  EXPECT_EQ(read.U16(12), 0x1170);
  EXPECT_EQ(read.U16(14), 16);
  EXPECT_EQ(read.U16(16), 3);
  EXPECT_EQ(read.U16(18), 0xFFFF);
  EXPECT_EQ(read.U32(20), 0u);
  EXPECT_EQ(read.U32(24), 0u);
  EXPECT_EQ(read.U32(28), 2u);  // the later argument is stored first
  EXPECT_EQ(read.U32(32), 1u);
}

TEST_F(StringAreas, NullTextIsRefused) {
  EXPECT_NE(AddString({}, nullptr), Status::Ok);
  EXPECT_EQ(Block().size(), kFirstArea);
}

}  // namespace
}  // namespace veltrane::builder
