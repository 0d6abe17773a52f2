// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstring>

#include "support/screen_harness.h"
#include "veltrane/veltrane.h"

namespace veltrane::testing {

// A simulated screen as a host reaches it through the exported functions: for the object's
// lifetime its pseudo-terminal is COM port `comPort` (default kComPort) of the shared library,
// mapped through LED_SetComPortPath. Kept out of the support library so that only test binaries
// that call the exports link the shared library.
class ExportedScreen : public ScreenHarness {
 public:
  static constexpr int32_t kComPort = 42;

  explicit ExportedScreen(sim::Faults faults = {}, uint8_t address = 1, int32_t comPort = kComPort)
      : ScreenHarness(faults, address), comPort_(comPort) {
    LED_SetComPortPath(comPort_, screen().terminalPath().c_str());
  }
  ~ExportedScreen() { LED_SetComPortPath(comPort_, nullptr); }

  // Descriptors for the exported functions: the screen's UDP port, or the mapped COM port.
  DevParam UdpParam(int32_t devAddr = 1) const {
    DevParam p{};
    p.devType = 1;
    p.speed = 3;
    p.locPort = 0;
    p.rmtPort = screen().udpPort();
    std::strcpy(p.RmtIP, "127.0.0.1");
    p.devAddr = devAddr;
    return p;
  }
  DevParam SerialParam(int32_t devAddr = 1) const {
    DevParam p{};
    p.devType = 0;
    p.speed = 4;
    p.locPort = comPort_;
    p.devAddr = devAddr;
    return p;
  }

 private:
  int32_t comPort_;
};

}  // namespace veltrane::testing
