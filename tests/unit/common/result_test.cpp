// SPDX-License-Identifier: MIT
#include "common/result.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/status_text.h"

namespace veltrane {
namespace {

Result<int> Half(int n) {
  if (n % 2 != 0) return Failure({Status::BadArgument, "odd"});
  return n / 2;
}

TEST(Result, HoldsAValueOrTheStatusThatSaysWhyNot) {
  const Result<int> half = Half(8);
  ASSERT_TRUE(half.has_value());
  EXPECT_EQ(*half, 4);
  EXPECT_EQ(half.value_or(-1), 4);

  const Result<int> odd = Half(7);
  ASSERT_FALSE(odd);
  EXPECT_EQ(odd.error().code(), Status::BadArgument);
  EXPECT_STREQ(odd.error().reason(), "odd");
  EXPECT_EQ(odd.value_or(-1), -1);

  // A value that owns memory moves out whole.
  Result<std::unique_ptr<std::string>> owned = std::make_unique<std::string>("kept");
  EXPECT_EQ(owned->get()->size(), 4u);
  EXPECT_EQ(*std::move(owned).value(), "kept");

  const Result<void> done;
  EXPECT_TRUE(done);
  const Result<void> refused = Failure(Status::Refused);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error(), Status::Refused);
}

// The first access past the end fails the reader or writer for good, and is the one named.
TEST(ByteBounds, TheFirstAccessPastTheEndFailsForGoodAndSaysWhich) {
  const uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
  ByteReader in(bytes);
  EXPECT_EQ(in.U16(4), 0x0605);
  EXPECT_EQ(in.failure(), Status::Ok);
  EXPECT_FALSE(in.U32(4));
  EXPECT_FALSE(in.U8(0));  // inside, but the reader has failed
  EXPECT_EQ(in.failure().code(), Status::BadArgument);
  EXPECT_STREQ(in.failure().reason(), "a read of 4 bytes at byte 4 passes the end of 6 bytes");

  uint8_t room[6] = {};
  ByteWriter out(room);
  EXPECT_TRUE(out.U16At(2, 0xBEEF));
  EXPECT_FALSE(out.U32At(3, 1));
  EXPECT_FALSE(out.U8(9));
  EXPECT_FALSE(out.U16At(0, 1));
  EXPECT_EQ(out.failure().code(), Status::CannotBuild);
  EXPECT_STREQ(out.failure().reason(), "a write of 4 bytes at byte 3 passes the end of 6 bytes");
  const uint8_t expected[6] = {0, 0, 0xEF, 0xBE, 0, 0};
  EXPECT_TRUE(std::equal(room, room + 6, expected));
}

TEST(StatusText, TheReasonElseTheSystemsWordsElseTheCodesWords) {
  struct Case {
    Status status;
    std::string_view systemWords;
    const char* text;
  };
  const Case cases[] = {
      {Status::Timeout, {}, "the screen did not answer"},
      {{Status::CannotBuild, "no room"}, {}, "no room"},
      {Status::System(13), "permission denied", "permission denied"},
      {Status::System(0), {}, "the system refused"},
  };
  for (const Case& c : cases) EXPECT_EQ(StatusText(c.status, c.systemWords), c.text);
}

}  // namespace
}  // namespace veltrane
