// SPDX-License-Identifier: MIT
#include "platform/tools/pseudo_terminal.h"

namespace veltrane::platform {

// Windows has no pseudo-terminals that a program opens by path as a COM port.
PseudoTerminal OpenPseudoTerminal() { return {}; }

}  // namespace veltrane::platform
