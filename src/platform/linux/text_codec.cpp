// SPDX-License-Identifier: MIT
#include "platform/text_codec.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace veltrane::platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kLastCodePoint = 0x10FFFF;
// Converters kept open at once (the host's code page, GBK, and a few the host switched between).
constexpr size_t kMaxOpenConverters = 8;

// One open iconv conversion from a code page to UTF-32LE.
class Converter {
 public:
  static std::unique_ptr<Converter> Open(const std::string& charset) {
    const iconv_t handle = iconv_open("UTF-32LE", charset.c_str());
    if (handle == reinterpret_cast<iconv_t>(-1)) return nullptr;
    return std::unique_ptr<Converter>(new Converter(handle));
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() { iconv_close(handle_); }

  std::u32string Decode(std::string_view bytes) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state for every text
    std::u32string text;
    std::vector<char> out(4 * bytes.size() + 16);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
      char* outNext = out.data();
      size_t outLeft = out.size();
      const size_t result = iconv(handle_, &in, &inLeft, &outNext, &outLeft);
      const int error = errno;
      Append(text, out.data(), outNext);
      if (result != static_cast<size_t>(-1)) break;
      if (error == E2BIG) continue;
      text.push_back(kReplacement);
      if (error != EILSEQ) break;  // EINVAL: a character cut off at the end
      ++in;
      --inLeft;
      iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    }
    return text;
  }

 private:
  explicit Converter(iconv_t handle) : handle_(handle) {}

  static void Append(std::u32string& text, const char* begin, const char* end) {
    for (const char* p = begin; p + 4 <= end; p += 4) {
      const auto* b = reinterpret_cast<const unsigned char*>(p);
      const char32_t c = static_cast<char32_t>(b[0]) | (static_cast<char32_t>(b[1]) << 8) |
                         (static_cast<char32_t>(b[2]) << 16) | (static_cast<char32_t>(b[3]) << 24);
      text.push_back(c <= kLastCodePoint ? c : kReplacement);
    }
  }

  iconv_t handle_;
};

// The C library locale's codeset as the host has set it up, with plain ASCII widened to UTF-8.
std::string LocaleCodeset() {
  const std::string codeset = nl_langinfo(CODESET);
  if (codeset.empty() || codeset == "ANSI_X3.4-1968" || codeset == "ASCII" ||
      codeset == "US-ASCII") {
    return "UTF-8";
  }
  return codeset;
}

// The open converters, shared by all threads. Only a cache of iconv handles: which code page a
// text is in is always the caller's to say, so keeping this process-wide changes no result.
class Converters {
 public:
  bool Knows(const std::string& charset) {
    std::lock_guard lock(mutex_);
    return Find(charset) != nullptr;
  }

  std::u32string Decode(std::string_view bytes, const std::string& charset) {
    std::lock_guard lock(mutex_);
    Converter* converter = Find(charset);
    if (converter == nullptr) return std::u32string(bytes.size(), kReplacement);
    return converter->Decode(bytes);
  }

 private:
  Converter* Find(const std::string& charset) {
    const auto found = open_.find(charset);
    if (found != open_.end()) return found->second.get();
    std::unique_ptr<Converter> converter = Converter::Open(charset);
    if (!converter) return nullptr;
    if (open_.size() >= kMaxOpenConverters) open_.clear();
    return open_.emplace(charset, std::move(converter)).first->second.get();
  }

  std::mutex mutex_;
  std::map<std::string, std::unique_ptr<Converter>> open_;
};

Converters& converters() {
  static Converters instance;
  return instance;
}

}  // namespace

std::optional<TextEncoding> TextEncoding::Named(const char* charset) {
  TextEncoding encoding;
  if (charset == nullptr) return encoding;
  if (!converters().Knows(charset)) return std::nullopt;
  encoding.charset_ = charset;
  return encoding;
}

std::string TextEncoding::Name() const { return charset_.value_or(LocaleCodeset()); }

std::u32string TextEncoding::Decode(std::string_view bytes) const {
  return converters().Decode(bytes, Name());
}

std::u32string DecodeText(std::string_view bytes, std::string_view charset) {
  return converters().Decode(bytes, std::string(charset));
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  for (char32_t c : text) {
    if (c > kLastCodePoint || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace veltrane::platform
