// SPDX-License-Identifier: MIT
#pragma once

#include "common/messages.h"

namespace veltrane::platform {

// Where the library's messages go when the host installed no handler, as hosts on this system
// expect: a modal message box on Windows (no owner window, an empty caption, an OK button; the
// handler returns when the user has closed it). nullptr on a system without message boxes, where
// the messages keep the library's own default.
MessageHandler SystemMessageHandler();

}  // namespace veltrane::platform
