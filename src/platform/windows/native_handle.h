// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace veltrane::platform {

class ComPort;

// Windows closes its handles in different ways, so a handle says what it is: a socket
// (closesocket), a kernel object such as an event (CloseHandle), or a COM port, which the
// library keeps as an object of its own (the port's handle and the byte a wait took off the
// line).
struct NativeHandle {
  enum class Kind : uint8_t { None, Socket, Kernel, ComPort };
  Kind kind = Kind::None;
  uintptr_t value = 0;  // the SOCKET, the HANDLE, or the ComPort*
  friend bool operator==(const NativeHandle&, const NativeHandle&) = default;
};
inline constexpr NativeHandle kNoHandle{};

}  // namespace veltrane::platform
