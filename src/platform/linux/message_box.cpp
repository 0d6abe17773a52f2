// SPDX-License-Identifier: MIT
#include "platform/message_box.h"

namespace veltrane::platform {

// A desktop's dialogs belong to its toolkit, not to a library: messages keep going to stderr.
MessageHandler SystemMessageHandler() { return nullptr; }

}  // namespace veltrane::platform
