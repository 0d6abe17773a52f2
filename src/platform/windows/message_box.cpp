// SPDX-License-Identifier: MIT
#include "message_box.h"

#include "win32.h"

namespace veltrane::platform {

void ShowMessageBox(const char* text) {
  // No owner window, an empty caption, an OK button; it blocks until the user closes it.
  ::MessageBoxA(nullptr, text, "", MB_OK);
}

}  // namespace veltrane::platform
