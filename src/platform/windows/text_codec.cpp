#include "platform/text_codec.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <optional>

#include "code_pages.h"

namespace veltrane::platform {
namespace {

// Decodes with the system's converter; bytes that do not decode come out as U+FFFD (or the code
// page's own replacement character) and decoding goes on after them.
std::u32string DecodeWith(UINT codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(std::min<size_t>(bytes.size(), INT_MAX));
  const int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  if (n <= 0) return std::u32string(bytes.size(), U'\uFFFD');
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), n);
  return FromWide(wide);
}

// The host's choice: a code page and the name it was chosen by. Nothing: the ANSI code page, the
// one the byte-string functions of Windows use.
struct HostChoice {
  std::mutex mutex;
  std::optional<std::pair<std::string, UINT>> chosen;
};

HostChoice& host() {
  static HostChoice value;
  return value;
}

}  // namespace

bool SetHostTextEncoding(const char* charset) {
  HostChoice& choice = host();
  if (charset == nullptr) {
    std::lock_guard lock(choice.mutex);
    choice.chosen.reset();
    return true;
  }
  // No code page has a longer name; the host's text is not read beyond it.
  constexpr size_t kLongestName = 32;
  const std::string_view name(charset, ::strnlen(charset, kLongestName + 1));
  const std::optional<UINT> codePage =
      name.size() <= kLongestName ? CodePageNamed(name) : std::nullopt;
  if (!codePage) return false;
  std::lock_guard lock(choice.mutex);
  choice.chosen.emplace(std::string(name), *codePage);
  return true;
}

std::string HostTextEncoding() {
  HostChoice& choice = host();
  std::lock_guard lock(choice.mutex);
  return choice.chosen ? choice.chosen->first : "CP" + std::to_string(::GetACP());
}

std::u32string DecodeHostText(std::string_view bytes) {
  UINT codePage = CP_ACP;
  {
    HostChoice& choice = host();
    std::lock_guard lock(choice.mutex);
    if (choice.chosen) codePage = choice.chosen->second;
  }
  return DecodeWith(codePage, bytes);
}

std::u32string DecodeText(std::string_view bytes, std::string_view charset) {
  const std::optional<UINT> codePage = CodePageNamed(charset);
  if (!codePage) return std::u32string(bytes.size(), U'\uFFFD');
  return DecodeWith(*codePage, bytes);
}

std::string EncodeUtf8(std::u32string_view text) {
  const std::wstring wide = ToWide(text);
  if (wide.empty()) return {};
  const int size = static_cast<int>(std::min<size_t>(wide.size(), INT_MAX));
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(std::max(n, 0)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

}  // namespace veltrane::platform
