// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "platform/handle.h"

namespace veltrane::platform {

// What a wait for input saw.
enum class WaitResult {
  Ready,     // input is waiting
  TimedOut,  // nothing arrived in time
  Broken,    // the object hung up, failed or is not open: nothing more will arrive on it
};

struct PseudoTerminal;

// An open object of the system that a thread can sleep on until input arrives: a socket, a
// serial line, an event. The owners below (UdpSocket, SerialPort, WakeupEvent, StopRequest) are
// Waitables; moving one moves its handle, and closing or destroying it releases the handle.
class Waitable {
 public:
  bool valid() const { return handle_.valid(); }
  // Releases the handle if one is held; a second Close does nothing.
  void Close() { handle_.Reset(); }

  // Blocks until input is waiting or `timeoutMs` have passed, whichever comes first. Costs no CPU
  // while it waits and wakes as soon as input arrives. Broken at once when nothing is open.
  WaitResult WaitReadable(uint32_t timeoutMs) const;

 protected:
  Waitable() = default;
  ~Waitable() = default;
  Waitable(Waitable&&) = default;
  Waitable& operator=(Waitable&&) = default;

  UniqueHandle handle_;

 private:
  friend class InputWatch;
  friend PseudoTerminal OpenPseudoTerminal();
  friend bool WaitForAny(std::span<const Waitable* const>, std::span<bool>, uint32_t);
};

// Blocks until one of `sources` (null entries and sources that are not open are skipped) has
// input or hangs up, or `timeoutMs` pass, and sets `ready[i]` for each such source (`ready` has
// an entry per source). False when none was. Each wait looks at every source, so it suits a
// loop over a few dozen; on Windows it watches sockets only.
bool WaitForAny(std::span<const Waitable* const> sources, std::span<bool> ready,
                uint32_t timeoutMs);

}  // namespace veltrane::platform
