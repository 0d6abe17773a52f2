// SPDX-License-Identifier: MIT
#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace veltrane::platform {
namespace {

TEST(TextCodec, DefaultIsTheLocaleCodesetWithPlainAsciiWidenedToUtf8) {
  const std::optional<TextEncoding> named = TextEncoding::Named(nullptr);
  ASSERT_TRUE(named);
  // The tests run in the "C" locale, whose codeset is plain ASCII.
  EXPECT_EQ(named->Name(), "UTF-8");
  EXPECT_EQ(TextEncoding().Name(), "UTF-8");
  EXPECT_EQ(TextEncoding().Decode("A\xE5\xB9\xB4"), U"A\u5E74");
}

TEST(TextCodec, DecodesTheChosenCodePage) {
  struct Case {
    const char* charset;
    std::string_view bytes;
    std::u32string text;
  };
  const Case cases[] = {
      {"UTF-8", "12:30 \xE5\xB9\xB4", U"12:30 \u5E74"},
      {"GBK", "\xC4\xEA\xD4\xC2\xC8\xD5", U"\u5E74\u6708\u65E5"},
      {"CP1252", "\x80 caf\xE9", U"\u20AC caf\u00E9"},
      {"ISO-8859-7", "\xE1", U"\u03B1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.charset);
    const std::optional<TextEncoding> encoding = TextEncoding::Named(c.charset);
    ASSERT_TRUE(encoding);
    EXPECT_EQ(encoding->Name(), c.charset);
    EXPECT_EQ(encoding->Decode(c.bytes), c.text);
  }
}

TEST(TextCodec, UnknownCodePageIsRefused) {
  EXPECT_FALSE(TextEncoding::Named("NO-SUCH-CODE-PAGE"));
  EXPECT_EQ(DecodeText("ab", "NO-SUCH-CODE-PAGE"), U"\uFFFD\uFFFD");
}

TEST(TextCodec, BadBytesBecomeReplacementCharacters) {
  struct Case {
    const char* name;
    const char* charset;
    std::string_view bytes;
    std::u32string text;
  };
  const Case cases[] = {
      {"stray byte", "UTF-8",
       "\xFF"
       "ab",
       U"\uFFFDab"},
      {"cut off at the end", "UTF-8", "a\xE5\xB9", U"a\uFFFD"},
      {"GBK lead byte without a trail byte", "GBK", "\xC4 \xC4\xEA", U"\uFFFD \u5E74"},
      {"empty", "GBK", "", U""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodeText(c.bytes, c.charset), c.text);
  }
}

TEST(TextCodec, DecodesTheGbkGlyphTexts) {
  // The weekday names and date words that date and time areas draw.
  EXPECT_EQ(DecodeText("\xC8\xD5\xD2\xBB\xB6\xFE\xC8\xFD\xCB\xC4\xCE\xE5\xC1\xF9", "GBK"),
            U"\u65E5\u4E00\u4E8C\u4E09\u56DB\u4E94\u516D");
  EXPECT_EQ(DecodeText("\xD0\xC7\xC6\xDA", "GBK"), U"\u661F\u671F");
}

TEST(Utf8, EncodesEveryLengthAndReplacesInvalidCodePoints) {
  EXPECT_EQ(EncodeUtf8(U"A\u00E9\u5E74\U0001F600"), "A\xC3\xA9\xE5\xB9\xB4\xF0\x9F\x98\x80");
  EXPECT_EQ(EncodeUtf8(std::u32string{char32_t{0xD800}, char32_t{0x110000}}),
            "\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace veltrane::platform
