// SPDX-License-Identifier: MIT
#include "image/wide_arithmetic.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace veltrane::image {
namespace {

// The compiler's own 128-bit type, where the build has one, is the reference.
__extension__ using Reference = unsigned __int128;

Reference ToReference(Wide w) { return (Reference{w.high} << 64) | w.low; }

TEST(WideArithmetic, AgreesWithTheCompilersOwn128BitType) {
  std::vector<uint64_t> values = {0,          1,          2,         0xFFFFFFFFu, 0x100000000u,
                                  1ull << 62, 1ull << 63, ~0ull - 1, ~0ull,       0xDEADBEEFCAFEu};
  std::mt19937_64 random(7);
  for (int i = 0; i < 200; ++i) values.push_back(random() >> (random() % 64));
  Wide previous;
  for (const uint64_t a : values) {
    for (const uint64_t b : values) {
      SCOPED_TRACE(testing::Message() << a << " x " << b);
      const Wide product = MultiplyWide(a, b);
      ASSERT_EQ(ToReference(product), Reference{a} * b);
      ASSERT_EQ(ToReference(AddWide(product, a)), Reference{a} * b + a);
      ASSERT_EQ(product < previous, ToReference(product) < ToReference(previous));
      previous = product;
      // Division by any divisor above the high word keeps the quotient within 64 bits.
      const uint64_t divisor = b > product.high ? b : product.high + 1;
      if (divisor != 0) {
        ASSERT_EQ(DivideWide(product, divisor),
                  static_cast<uint64_t>(ToReference(product) / divisor));
      }
    }
  }
}

}  // namespace
}  // namespace veltrane::image
