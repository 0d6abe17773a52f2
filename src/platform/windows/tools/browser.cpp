// SPDX-License-Identifier: MIT
#include "platform/tools/browser.h"

namespace veltrane::platform {

// The studio is not built here; the address it prints is the way in.
bool OpenInBrowser(const std::string&) { return false; }

}  // namespace veltrane::platform
