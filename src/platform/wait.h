#pragma once

#include <cstdint>
#include <span>

namespace veltrane::platform {

// What a wait on a descriptor saw.
enum class WaitResult {
  Ready,     // input is waiting
  TimedOut,  // nothing arrived in time
  Broken,    // the descriptor hung up or failed: nothing more will arrive on it
};

// Blocks until `fd` has input or `timeoutMs` have passed, whichever comes first. Costs no CPU
// while it waits and wakes as soon as input arrives.
WaitResult WaitReadable(int fd, uint32_t timeoutMs);

// A set of descriptors watched together for input, registered once and waited on many times
// (an event loop's wait costs the same however many descriptors it watches).
class InputWatch {
 public:
  InputWatch();
  ~InputWatch();
  InputWatch(const InputWatch&) = delete;
  InputWatch& operator=(const InputWatch&) = delete;

  // Watches `fd` (ignored when negative) under `key`; false when the system refused.
  bool Add(int fd, uint32_t key);
  // Stops watching `fd`, before it is closed.
  void Remove(int fd);
  // Blocks until a watched descriptor has input or hangs up, or `timeoutMs` pass. Sets `ready[key]`
  // for each such descriptor (keys beyond `ready` are dropped); false when nothing was ready.
  bool Wait(std::span<bool> ready, uint32_t timeoutMs);

 private:
  int fd_;
};

}  // namespace veltrane::platform
