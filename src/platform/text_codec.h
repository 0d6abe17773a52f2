// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltrane::platform {

// The code page host texts arrive in, as 8-bit bytes: an iconv name such as "UTF-8", "GBK" or
// "CP1252" the host chose, or by default the C library locale's codeset (UTF-8 where that is
// plain ASCII). A plain value: whoever keeps the host's choice keeps one of these.
class TextEncoding {
 public:
  // The default code page.
  TextEncoding() = default;
  // The named code page; nothing for a name iconv does not know. nullptr names the default.
  static std::optional<TextEncoding> Named(const char* charset);

  // The name of the code page texts are decoded from.
  std::string Name() const;

  // Decodes host text into Unicode code points. A byte that does not decode, or a character cut
  // off at the end, becomes U+FFFD and decoding goes on after it.
  std::u32string Decode(std::string_view bytes) const;

 private:
  std::optional<std::string> charset_;  // nothing: the locale's codeset
};

// Decodes bytes of a named code page (e.g. the GBK glyph texts), as TextEncoding::Decode does; an
// unknown code page gives U+FFFD for every byte.
std::u32string DecodeText(std::string_view bytes, std::string_view charset);

// UTF-8 for code points (names handed to fontconfig); invalid ones become U+FFFD.
std::string EncodeUtf8(std::u32string_view text);

}  // namespace veltrane::platform
