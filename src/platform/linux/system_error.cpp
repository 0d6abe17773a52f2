// SPDX-License-Identifier: MIT
#include "platform/system_error.h"

#include <cctype>
#include <cstring>

namespace veltrane::platform {

std::string SystemErrorText(int systemError) {
  if (systemError == 0) return {};
  char buffer[256] = {};
  // The GNU form: it returns the text, in `buffer` or in static storage.
  std::string text = ::strerror_r(systemError, buffer, sizeof buffer);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

}  // namespace veltrane::platform
