#pragma once

#include <string>
#include <string_view>

namespace veltrane::platform {

// Host texts arrive as 8-bit bytes in a code page the host chooses (an iconv name such as "UTF-8",
// "GBK" or "CP1252"). Until one is chosen, and after nullptr, it is the C library locale's
// codeset, or UTF-8 where that is plain ASCII.

// Chooses the code page of host texts; nullptr restores the default. False, changing nothing,
// for a name iconv does not know.
bool SetHostTextEncoding(const char* charset);

// The name of the code page host texts are decoded from right now.
std::string HostTextEncoding();

// Decodes host text into Unicode code points. A byte that does not decode, or a character cut
// off at the end, becomes U+FFFD and decoding goes on after it.
std::u32string DecodeHostText(std::string_view bytes);

// Decodes bytes of a named code page (e.g. the GBK glyph texts), as DecodeHostText does; an
// unknown code page gives U+FFFD for every byte.
std::u32string DecodeText(std::string_view bytes, std::string_view charset);

// UTF-8 for code points (names handed to fontconfig); invalid ones become U+FFFD.
std::string EncodeUtf8(std::u32string_view text);

}  // namespace veltrane::platform
