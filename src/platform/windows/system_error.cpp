// SPDX-License-Identifier: MIT
#include "platform/system_error.h"

#include <cctype>

#include "win32.h"

namespace veltrane::platform {

std::string SystemErrorText(int systemError) {
  if (systemError == 0) return {};
  char buffer[256] = {};
  const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(systemError),
                                        MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), buffer,
                                        sizeof buffer, nullptr);
  std::string text(buffer, length);
  // The system's sentence ends in a full stop and a line break; it goes inside a sentence here.
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == '.' || text.back() == ' ')) {
    text.pop_back();
  }
  if (text.empty()) return "system error " + std::to_string(systemError);
  text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

}  // namespace veltrane::platform
