// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace veltrane::platform {

// Asks the desktop to open `url` in the user's browser (xdg-open) and waits for xdg-open to end,
// which is usually at once, once it has handed the address on; false when it could not be
// started or failed (always, on Windows).
bool OpenInBrowser(const std::string& url);

}  // namespace veltrane::platform
