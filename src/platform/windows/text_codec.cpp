// SPDX-License-Identifier: MIT
#include "platform/text_codec.h"

#include <cstring>

#include "code_pages.h"

namespace veltrane::platform {
namespace {

// Decodes with the system's converter; bytes that do not decode come out as U+FFFD (or the code
// page's own replacement character) and decoding goes on after them.
std::u32string DecodeWith(UINT codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  if (n <= 0) return std::u32string(bytes.size(), U'\uFFFD');
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), n);
  return FromWide(wide);
}

}  // namespace

std::optional<TextEncoding> TextEncoding::Named(const char* charset) {
  if (charset == nullptr) return TextEncoding();
  // No code page has a longer name; the host's text is not read beyond it.
  constexpr size_t kLongestName = 32;
  const std::string_view name(charset, ::strnlen(charset, kLongestName + 1));
  if (name.size() > kLongestName || !CodePageNamed(name)) return std::nullopt;
  TextEncoding encoding;
  encoding.charset_ = std::string(name);
  return encoding;
}

std::string TextEncoding::Name() const {
  return charset_ ? *charset_ : "CP" + std::to_string(::GetACP());
}

std::u32string TextEncoding::Decode(std::string_view bytes) const {
  // The default is the system's ANSI code page, the one the byte-string functions of Windows use.
  return DecodeWith(charset_ ? CodePageNamed(*charset_).value_or(CP_ACP) : CP_ACP, bytes);
}

std::u32string DecodeText(std::string_view bytes, std::string_view charset) {
  const std::optional<UINT> codePage = CodePageNamed(charset);
  if (!codePage) return std::u32string(bytes.size(), U'\uFFFD');
  return DecodeWith(*codePage, bytes);
}

std::string EncodeUtf8(std::u32string_view text) {
  const std::wstring wide = ToWide(text);
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(std::max(n, 0)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

}  // namespace veltrane::platform
