// SPDX-License-Identifier: MIT
#include "common/mul_div.h"

#include <gtest/gtest.h>

#include <limits>

namespace veltrane {
namespace {

TEST(MulDiv, RoundsHalvesAwayFromZeroAndFlagsWhatItCannotAnswer) {
  struct Case {
    int32_t a, b, c, result;
  };
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  const Case cases[] = {
      {12, 96, 72, 16}, {12, 120, 72, 20},  {11, 96, 72, 15},   {1, 96, 72, 1},
      {2, 96, 72, 3},   {-12, 96, 72, -16}, {3, 1, 2, 2},       {-3, 1, 2, -2},
      {5, 1, -2, -3},   {-5, -1, 2, 3},     {7, 0, 3, 0},       {1, 1, 0, -1},
      {kMax, 2, 1, -1}, {kMax, 2, 2, kMax}, {kMax, 96, 72, -1}, {-kMax - 1, 1, 1, -kMax - 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.a << " * " << c.b << " / " << c.c);
    EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.result);
  }
}

}  // namespace
}  // namespace veltrane
