// SPDX-License-Identifier: MIT
#include "platform/tools/terminal.h"

#include <io.h>

namespace veltrane::platform {

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

// The console's width is not asked for: progress lines are the Linux command's.
int TerminalColumns(std::FILE*) { return 0; }

bool SetTerminalColumns(std::FILE*, int) { return false; }

// Windows gives a program's new handles no standard stream's number.
void HoldClosedStandardStreams() {}

}  // namespace veltrane::platform
