// SPDX-License-Identifier: MIT
#pragma once

namespace veltrane::platform {

// Shows `text` in a modal message box (no owner window, an empty caption, an OK button) and
// returns when the user has closed it.
void ShowMessageBox(const char* text);

}  // namespace veltrane::platform
