// SPDX-License-Identifier: MIT
#include "platform/wait.h"

#include <algorithm>
#include <vector>

#include "com_port.h"
#include "win32.h"

namespace veltrane::platform {
namespace {

WaitResult WaitForSocket(SOCKET socket, uint32_t timeoutMs) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket, &readable);
  timeval timeout{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
  const int n = ::select(0, &readable, nullptr, nullptr, &timeout);
  if (n == 0) return WaitResult::TimedOut;
  return n > 0 ? WaitResult::Ready : WaitResult::Broken;
}

WaitResult WaitForObject(HANDLE object, uint32_t timeoutMs) {
  switch (::WaitForSingleObject(object, std::min<DWORD>(timeoutMs, INFINITE - 1))) {
    case WAIT_OBJECT_0:
      return WaitResult::Ready;
    case WAIT_TIMEOUT:
      return WaitResult::TimedOut;
    default:
      return WaitResult::Broken;
  }
}

// An fd_set of any size: Winsock reads the count and then that many sockets.
struct SocketList {
  u_int count = 0;
  SOCKET sockets[1];
};

}  // namespace

bool WaitForAny(std::span<const Waitable* const> sources, std::span<bool> ready,
                uint32_t timeoutMs) {
  std::fill(ready.begin(), ready.end(), false);
  std::vector<SOCKET> storage(sources.size() + 1);
  auto* list = reinterpret_cast<SocketList*>(storage.data());
  list->count = 0;
  for (const Waitable* source : sources) {
    if (source == nullptr || source->handle_.get().kind != NativeHandle::Kind::Socket) continue;
    list->sockets[list->count++] = static_cast<SOCKET>(source->handle_.get().value);
  }
  if (list->count == 0) {
    ::Sleep(timeoutMs);
    return false;
  }
  timeval timeout{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
  if (::select(0, reinterpret_cast<fd_set*>(list), nullptr, nullptr, &timeout) <= 0) return false;
  for (size_t i = 0; i < sources.size() && i < ready.size(); ++i)
    if (sources[i] != nullptr && sources[i]->handle_.get().kind == NativeHandle::Kind::Socket)
      ready[i] = __WSAFDIsSet(static_cast<SOCKET>(sources[i]->handle_.get().value),
                              reinterpret_cast<fd_set*>(list)) != 0;
  return true;
}

WaitResult Waitable::WaitReadable(uint32_t timeoutMs) const {
  const NativeHandle handle = handle_.get();
  switch (handle.kind) {
    case NativeHandle::Kind::Socket:
      return WaitForSocket(static_cast<SOCKET>(handle.value), timeoutMs);
    case NativeHandle::Kind::ComPort:
      return reinterpret_cast<ComPort*>(handle.value)->WaitForInput(timeoutMs);
    case NativeHandle::Kind::Kernel:
      return WaitForObject(reinterpret_cast<HANDLE>(handle.value), timeoutMs);
    case NativeHandle::Kind::None:
      break;
  }
  return WaitResult::Broken;
}

}  // namespace veltrane::platform
