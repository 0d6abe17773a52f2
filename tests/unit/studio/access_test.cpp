// SPDX-License-Identifier: MIT
// Who may use the studio: the token, its cookie and its header.
#include "access.h"

#include <gtest/gtest.h>

namespace veltrane::studio {
namespace {

TEST(StudioAccess, TokensAreLongRandomHex) {
  const std::string first = MakeToken();
  EXPECT_EQ(first.size(), 64u);
  EXPECT_EQ(first.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_NE(first, MakeToken());
  EXPECT_TRUE(SameToken(first, first));
  EXPECT_FALSE(SameToken(first.substr(1), first));
  EXPECT_FALSE(SameToken("", first));
}

TEST(StudioAccess, TheCookieIsFoundAmongOthers) {
  struct Case {
    const char* header;
    std::optional<std::string_view> value;
  };
  const Case cases[] = {
      {"veltrane_studio=abc", "abc"},    {"a=1; veltrane_studio=abc; b=2", "abc"},
      {"a=1;veltrane_studio=", ""},      {"xveltrane_studio=abc", std::nullopt},
      {"veltrane_studio", std::nullopt}, {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    EXPECT_EQ(CookieValue(c.header, kTokenCookie), c.value);
  }
  EXPECT_EQ(TokenCookie("abc"), "veltrane_studio=abc; Path=/; HttpOnly; SameSite=Strict");
}

TEST(StudioAccess, ReadingNeedsTheCookieAndChangingTheHeaderToo) {
  const std::string token = "t0k3n";
  struct Case {
    bool changes;
    const char* cookie;
    const char* header;
    Verdict verdict;
  };
  const Case cases[] = {
      {false, "veltrane_studio=t0k3n", "", Verdict::Allowed},
      {true, "veltrane_studio=t0k3n", "t0k3n", Verdict::Allowed},
      {true, "veltrane_studio=t0k3n", "", Verdict::NoHeader},
      {true, "veltrane_studio=t0k3n", "t0k3m", Verdict::NoHeader},
      {false, "", "t0k3n", Verdict::NoCookie},  // a header alone is not enough either
      {false, "veltrane_studio=wrong", "", Verdict::NoCookie},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.cookie) + " / " + c.header);
    EXPECT_EQ(Judge({c.changes, c.cookie, c.header}, token), c.verdict);
  }
}

}  // namespace
}  // namespace veltrane::studio
