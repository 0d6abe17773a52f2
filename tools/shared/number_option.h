// SPDX-License-Identifier: MIT
#pragma once

#include <CLI/Error.hpp>
#include <CLI/Validators.hpp>
#include <cstdint>

namespace veltrane::tools {

// The whole numbers an option takes.
struct NumberRange {
  int64_t low = 0;
  int64_t high = 0;
};

// A screen's address (255 reaches any screen), and a UDP port (0: any free one).
constexpr NumberRange kScreenAddresses{0, 255};
constexpr NumberRange kPorts{0, 65535};

// What every numeric option of the tools reads its text through (an option's transform): a
// decimal whole number within `range`, said as "expected LOW..HIGH, got TEXT" when it is not. The
// text is handed on in plain decimal, so the option's own conversion reads the number that was
// checked: left to itself it would read "010" as octal 8 and wrap "-1" into an unsigned option.
CLI::Validator NumberIn(NumberRange range);

// The same for a serial line speed screens run at, in bit/s: "expected 9600, ... or 115200, got
// TEXT".
CLI::Validator LineSpeed();

}  // namespace veltrane::tools
