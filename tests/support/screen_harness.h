// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>

#include "common/busy_count.h"
#include "link/target.h"
#include "platform/clock.h"
#include "protocol/device_context.h"
#include "sim/simulator.h"

namespace veltrane::testing {

// A simulated screen running in the test process: UDP on 127.0.0.1 with a port of the system's
// choosing, and a pseudo-terminal that serial targets open by its path.
class ScreenHarness {
 public:
  explicit ScreenHarness(sim::Faults faults = {}, uint8_t address = 1);
  ~ScreenHarness();
  ScreenHarness(const ScreenHarness&) = delete;
  ScreenHarness& operator=(const ScreenHarness&) = delete;

  sim::Simulator& screen() { return simulator_; }
  const sim::Simulator& screen() const { return simulator_; }
  bool started() const { return started_; }

  // What device operations on the targets below use: the harness's busy count, and `clock` (the
  // system's unless a test steps its own).
  protocol::DeviceContext Devices(platform::Clock& clock = platform::SystemClock()) {
    return {clock, busy_};
  }
  BusyCount& busy() { return busy_; }
  // Waits up to `limit` for the screen to have sent every reply it still owes (late ones,
  // duplicates). The serial line carries one conversation after another, and a reply to the last
  // one that lands in the next one's window looks like an answer there to any sender. False when
  // the screen is still busy at `limit`.
  bool AwaitQuiet(std::chrono::milliseconds limit = std::chrono::seconds(5));

  // Targets for the protocol layer: a UDP socket on an ephemeral local port, or the terminal.
  link::Target UdpTarget(uint8_t devAddr = 1) const;
  link::Target SerialTarget(uint8_t devAddr = 1, int32_t bitsPerSecond = 115200) const;

 private:
  sim::Simulator simulator_;
  BusyCount busy_;
  bool started_ = false;
};

}  // namespace veltrane::testing
