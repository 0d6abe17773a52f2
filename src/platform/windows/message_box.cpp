// SPDX-License-Identifier: MIT
// MessageBoxA comes with windows.h, which the public header (the handler's type) includes.
#include "platform/message_box.h"

namespace veltrane::platform {
namespace {

void VELTRANE_CALL ShowInMessageBox(const char* text, void*) {
  ::MessageBoxA(nullptr, text, "", MB_OK);
}

}  // namespace

MessageHandler SystemMessageHandler() { return ShowInMessageBox; }

}  // namespace veltrane::platform
