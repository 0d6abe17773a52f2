// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "api/fleet_table.h"
#include "api/program_slots.h"
#include "common/busy_count.h"
#include "common/messages.h"
#include "common/status.h"
#include "link/com_port_paths.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "protocol/device_context.h"

namespace veltrane::api {

// How long shutting down waits for device operations, how often it looks, and the pause after.
constexpr uint32_t kCleanupWaitMs = 8000;
constexpr uint32_t kCleanupLookMs = 10;
constexpr uint32_t kCleanupPauseMs = 100;

// The switches a host sets. Both keep their values across start and stop.
struct Switches {
  std::atomic<int32_t> senderEnabled{1};
  std::atomic<int32_t> debugFlag{0};
};

// Everything a host sets up or builds: the program slots, the count of device operations in
// progress, the switches, the COM port paths, where messages go, the fleets it opened, the code
// page of host texts and the clock. The layers below are handed the parts they use. Every member is
// safe to use from any thread.
class Library {
 public:
  explicit Library(platform::Clock& clock = platform::SystemClock());
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // Starts the library: empties the program slots (freeing what they held) and zeroes the busy
  // count. Returns 1, or 0 when the platform's networking cannot start.
  int32_t Start();

  // Waits for running device operations as shutting down does, frees every program still held,
  // then stops the library. Returns the platform's networking stop result (0 on POSIX), or -1
  // when it was not started.
  int32_t Stop();

  bool Started() const;

  // Chooses the code page of host texts; nullptr restores the default. Refused, changing
  // nothing, for a name iconv does not know.
  Status SetTextEncoding(const char* charset);
  platform::TextEncoding textEncoding() const;

  // The parts a device operation uses.
  protocol::DeviceContext Devices() { return {clock_, busy_}; }

  platform::Clock& clock() { return clock_; }
  BusyCount& busy() { return busy_; }
  ProgramSlots& slots() { return slots_; }
  Switches& switches() { return switches_; }
  link::ComPortPaths& comPorts() { return comPorts_; }
  MessageSink& messages() { return messages_; }
  FleetTable& fleets() { return fleets_; }

 private:
  platform::Clock& clock_;
  BusyCount busy_;
  ProgramSlots slots_{busy_};
  Switches switches_;
  link::ComPortPaths comPorts_;
  MessageSink messages_;
  FleetTable fleets_;

  mutable std::mutex encodingMutex_;
  platform::TextEncoding encoding_;

  mutable std::mutex lifecycleMutex_;
  bool started_ = false;
};

// The library of this process, made on first use. Only the exports reach it.
Library& TheLibrary();

// Waits until `busy` reads 0, looking every kCleanupLookMs for at most kCleanupWaitMs on the
// wrapping tick, then pauses kCleanupPauseMs whatever the outcome.
void WaitForIdle(platform::Clock& clock, const BusyCount& busy);

}  // namespace veltrane::api
