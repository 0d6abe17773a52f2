// SPDX-License-Identifier: MIT
#include "platform/network.h"

#include "win32.h"

namespace veltrane::platform {

bool StartNetworking() {
  // Version 1.1 is all the library uses; only the call's result is looked at.
  WSADATA data{};
  return ::WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

int32_t StopNetworking() { return ::WSACleanup(); }

}  // namespace veltrane::platform
