// SPDX-License-Identifier: MIT
#include "ports.h"

#include <gtest/gtest.h>

namespace veltrane::cli {
namespace {

TEST(Ports, OneTabSeparatedLinePerPort) {
  struct Case {
    PortRecord port;
    const char* line;
  };
  const Case cases[] = {
      {{"/dev/ttyUSB0", "usb-FTDI_FT232R_USB_UART_A10KZ-if00-port0", 0x0403, 0x6001,
        "FT232R USB UART"},
       "/dev/ttyUSB0\tusb-FTDI_FT232R_USB_UART_A10KZ-if00-port0\t0403:6001\tFT232R USB UART"},
      {{"/dev/ttyS0", "", std::nullopt, std::nullopt, "ttyS0"}, "/dev/ttyS0\t-\t-\tttyS0"},
      {{"/dev/ttyACM0", "", 0x1a86, std::nullopt, ""}, "/dev/ttyACM0\t-\t-\t-"},
      {{"/dev/ttyUSB1", "", 0xFFFF, 0x0000, "two\tlines\nhere"},
       "/dev/ttyUSB1\t-\tffff:0000\ttwo lines here"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatPort(c.port), c.line);
}

TEST(Ports, LongDescriptionsAreCut) {
  const std::string line = FormatPort({"/dev/ttyS1", "", {}, {}, std::string(500, 'x')});
  EXPECT_EQ(line.size(), std::string("/dev/ttyS1\t-\t-\t").size() + 120);
}

}  // namespace
}  // namespace veltrane::cli
