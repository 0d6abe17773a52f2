// SPDX-License-Identifier: MIT
#include "platform/tools/terminal.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace veltrane::platform {

bool IsTerminal(std::FILE* stream) { return stream != nullptr && isatty(fileno(stream)) == 1; }

int TerminalColumns(std::FILE* stream) {
  winsize size{};
  if (!IsTerminal(stream) || ::ioctl(fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

bool SetTerminalColumns(std::FILE* stream, int columns) {
  winsize size{};
  if (!IsTerminal(stream) || ::ioctl(fileno(stream), TIOCGWINSZ, &size) != 0) return false;
  size.ws_col = static_cast<unsigned short>(columns);
  return ::ioctl(fileno(stream), TIOCSWINSZ, &size) == 0;
}

void HoldClosedStandardStreams() {
  for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (::fcntl(stream, F_GETFD) != -1 || errno != EBADF) continue;
    // Opened for reading only: a write to it fails rather than vanish. The lowest free number is
    // the one that was closed.
    ::open("/dev/null", O_RDONLY);
  }
}

}  // namespace veltrane::platform
