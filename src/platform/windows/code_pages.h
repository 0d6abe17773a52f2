// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "win32.h"

namespace veltrane::platform {

// The Windows code page a name stands for: "GBK", "CP936", "windows-1252", "UTF-8", "Shift_JIS"
// and the like, in any case. Nothing for a name that is not a code page this system has.
std::optional<UINT> CodePageNamed(std::string_view name);

// Text as the wide functions of Windows take it, and back.
std::wstring ToWide(std::u32string_view text);
std::u32string FromWide(std::wstring_view text);

// The character set a font needs so that GDI draws `text` with glyphs that have its characters:
// the default set (the system's ANSI code page) when that code page can write the text, else the
// set of the first far-eastern code page that can (GB2312 first: the glyph texts of the date-time
// items are GBK), else the default set.
BYTE CharsetForText(std::wstring_view text);

}  // namespace veltrane::platform
