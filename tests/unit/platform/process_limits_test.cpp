// SPDX-License-Identifier: MIT
// The open-handle limit a command driving many screens raises for itself.
#include "platform/tools/process_limits.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

namespace veltrane::platform {
namespace {

rlimit OpenFileLimit() {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  return limit;
}

TEST(OpenHandleLimit, RisesAsFarAsTheHardLimitAndNeverFalls) {
  const rlimit before = OpenFileLimit();
  if (before.rlim_max != RLIM_INFINITY && before.rlim_max < 512)
    GTEST_SKIP() << "the hard limit leaves no room to raise";
  rlimit lowered = before;
  lowered.rlim_cur = 256;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);

  struct Case {
    size_t wanted;
    rlim_t expected;  // the soft limit afterwards
  };
  const rlim_t hard = before.rlim_max;
  const Case cases[] = {
      {100, 256},  // already allowed: left as it is
      {512, 512},
      {300, 512},  // never lowered
      {hard == RLIM_INFINITY ? 4096 : static_cast<size_t>(hard) + 1,
       hard == RLIM_INFINITY ? 4096 : hard},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wanted);
    EXPECT_EQ(RaiseOpenHandleLimit(c.wanted), c.expected);
    EXPECT_EQ(OpenFileLimit().rlim_cur, c.expected);
  }
  setrlimit(RLIMIT_NOFILE, &before);
}

}  // namespace
}  // namespace veltrane::platform
