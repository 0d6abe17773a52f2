// SPDX-License-Identifier: MIT
#include "platform/tools/pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>

#include <array>

namespace veltrane::platform {

PseudoTerminal OpenPseudoTerminal() {
  PseudoTerminal pty;
  UniqueHandle controller(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!controller.valid() || ::grantpt(controller.get()) != 0 ||
      ::unlockpt(controller.get()) != 0) {
    return pty;
  }
  std::array<char, 128> name{};
  if (::ptsname_r(controller.get(), name.data(), name.size()) != 0) return pty;
  UniqueHandle terminal(::open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!terminal.valid()) return pty;
  termios line{};
  if (::tcgetattr(terminal.get(), &line) == 0) {
    ::cfmakeraw(&line);
    ::tcsetattr(terminal.get(), TCSANOW, &line);
  }
  ::fcntl(controller.get(), F_SETFL, ::fcntl(controller.get(), F_GETFL) | O_NONBLOCK);
  pty.controller.handle_ = std::move(controller);
  pty.terminal.handle_ = std::move(terminal);
  pty.terminalPath = name.data();
  return pty;
}

}  // namespace veltrane::platform
