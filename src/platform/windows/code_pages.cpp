// SPDX-License-Identifier: MIT
#include "code_pages.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace veltrane::platform {
namespace {

std::string Lowercase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

struct NamedCodePage {
  std::string_view name;
  UINT codePage;
};

constexpr std::array<NamedCodePage, 12> kNamedCodePages = {{
    {"utf-8", CP_UTF8},
    {"utf8", CP_UTF8},
    {"gbk", 936},
    {"gb2312", 936},
    {"big5", 950},
    {"shift_jis", 932},
    {"sjis", 932},
    {"euc-kr", 949},
    {"uhc", 949},
    {"ascii", 20127},
    {"us-ascii", 20127},
    {"iso-8859-1", 28591},
}};

// "cp1252", "windows-1252", "ibm437": the number after the prefix.
std::optional<UINT> NumberedCodePage(std::string_view lower) {
  for (const std::string_view prefix : {"cp", "windows-", "ibm"}) {
    if (lower.substr(0, prefix.size()) != prefix) continue;
    const std::string_view digits = lower.substr(prefix.size());
    UINT number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error == std::errc() && end == digits.data() + digits.size()) return number;
  }
  return std::nullopt;
}

bool CodePageWrites(UINT codePage, std::wstring_view text) {
  if (codePage == CP_UTF8) return true;  // and it takes no question about lost characters
  BOOL lossy = FALSE;
  const int n = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(),
                                      static_cast<int>(text.size()), nullptr, 0, nullptr, &lossy);
  return n > 0 && !lossy;
}

}  // namespace

std::optional<UINT> CodePageNamed(std::string_view name) {
  const std::string lower = Lowercase(name);
  std::optional<UINT> codePage = NumberedCodePage(lower);
  for (const NamedCodePage& named : kNamedCodePages)
    if (named.name == lower) codePage = named.codePage;
  if (!codePage || !::IsValidCodePage(*codePage)) return std::nullopt;
  return codePage;
}

std::wstring ToWide(std::u32string_view text) {
  std::wstring wide;
  wide.reserve(text.size());
  for (char32_t c : text) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x10000) {
      wide.push_back(static_cast<wchar_t>(c));
    } else {
      c -= 0x10000;
      wide.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
      wide.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
    }
  }
  return wide;
}

std::u32string FromWide(std::wstring_view text) {
  std::u32string wide;
  wide.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t c = static_cast<char16_t>(text[i]);
    const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                      text[i + 1] <= 0xDFFF;
    if (pair) {
      wide.push_back(0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(text[++i]) - 0xDC00));
    } else {
      wide.push_back(c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c);
    }
  }
  return wide;
}

BYTE CharsetForText(std::wstring_view text) {
  if (text.empty() || CodePageWrites(::GetACP(), text)) return DEFAULT_CHARSET;
  struct FarEast {
    UINT codePage;
    BYTE charset;
  };
  constexpr std::array<FarEast, 4> kFarEast = {{{936, GB2312_CHARSET},
                                                {950, CHINESEBIG5_CHARSET},
                                                {932, SHIFTJIS_CHARSET},
                                                {949, HANGEUL_CHARSET}}};
  const auto writes = std::find_if(kFarEast.begin(), kFarEast.end(), [&](const FarEast& f) {
    return CodePageWrites(f.codePage, text);
  });
  return writes != kFarEast.end() ? writes->charset : static_cast<BYTE>(DEFAULT_CHARSET);
}

}  // namespace veltrane::platform
