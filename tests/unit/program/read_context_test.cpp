// SPDX-License-Identifier: MIT
#include "program/read_context.h"

#include <gtest/gtest.h>

namespace veltrane::program {
namespace {

// A reader's read past its stretch reads nothing and fails the read at the stretch's end, and a
// defect the reader reports after it does not take its place.
TEST(Stretch, AReadPastItsEndFailsTheReadThere) {
  const uint8_t block[8] = {1, 0, 2, 0, 3, 0, 4, 0};
  ReadContext context(1);
  const Stretch record = Stretch(block, 0, context).From(4);
  EXPECT_EQ(record.U16(2), 4);
  EXPECT_FALSE(context.failed());

  EXPECT_EQ(record.U32(2), 0u);
  EXPECT_EQ(record.From(9).size(), 0u);
  EXPECT_FALSE(context.Fail(7, PagePlace(1), "a later complaint"));
  ASSERT_TRUE(context.failed());
  const Defect defect = context.TakeDefect();
  EXPECT_EQ(defect.offset, 6u);
  EXPECT_EQ(defect.message, "a read of 4 bytes at byte 6 passes the end of its record");
}

}  // namespace
}  // namespace veltrane::program
