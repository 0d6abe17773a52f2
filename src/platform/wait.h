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

// A set of Waitables watched together for input, registered once and waited on many times
// (an event loop's wait costs the same however many objects it watches).
class InputWatch {
 public:
  InputWatch();
  InputWatch(const InputWatch&) = delete;
  InputWatch& operator=(const InputWatch&) = delete;

  // Watches `source` (ignored when it is not open) under `key`; false when the system refused.
  bool Add(const Waitable& source, uint32_t key);
  // Stops watching `source`, before it is closed.
  void Remove(const Waitable& source);
  // Blocks until a watched object has input or hangs up, or `timeoutMs` pass. Sets `ready[key]`
  // for each such object (keys beyond `ready` are dropped); false when nothing was ready.
  bool Wait(std::span<bool> ready, uint32_t timeoutMs);

 private:
  UniqueHandle watch_;
};

}  // namespace veltrane::platform
