// SPDX-License-Identifier: MIT
#include "support/screen_harness.h"

#include <cstdio>
#include <string>
#include <thread>

#include "platform/ipv4.h"

namespace veltrane::testing {
namespace {

sim::SimulatorOptions Options(const sim::Faults& faults, uint8_t address) {
  sim::SimulatorOptions options;
  options.address = address;
  options.udpPort = 0;
  options.pty = true;
  options.faults = faults;
  return options;
}

}  // namespace

ScreenHarness::ScreenHarness(sim::Faults faults, uint8_t address)
    : simulator_(Options(faults, address)) {
  std::string error;
  // The protocol tests send raw blocks: only their length is checked unless a test asks for more.
  simulator_.SetValidator(sim::CheckProgramLength);
  started_ = simulator_.Start(error);
  if (!started_) std::fprintf(stderr, "simulator did not start: %s\n", error.c_str());
}

ScreenHarness::~ScreenHarness() { simulator_.Stop(); }

bool ScreenHarness::AwaitQuiet(std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!simulator_.quiet()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

link::Target ScreenHarness::UdpTarget(uint8_t devAddr) const {
  link::Target t;
  t.transport = link::Transport::Udp;
  t.localPort = 0;
  t.remotePort = simulator_.udpPort();
  t.remoteAddress = platform::ParseIpv4("127.0.0.1");
  t.devAddr = devAddr;
  return t;
}

link::Target ScreenHarness::SerialTarget(uint8_t devAddr, int32_t bitsPerSecond) const {
  link::Target t;
  t.transport = link::Transport::Serial;
  t.devicePath = simulator_.terminalPath();
  t.bitsPerSecond = bitsPerSecond;
  t.devAddr = devAddr;
  return t;
}

}  // namespace veltrane::testing
