// SPDX-License-Identifier: MIT
#pragma once

#include <CLI/Error.hpp>
#include <string>

namespace veltrane::tools {

// What CLI11 found wrong with a command line, as one sentence with no final full stop: its own
// message on one line, a value it could not convert said plainly ("N: \"abc\" is not a number").
std::string UsageSentence(const CLI::ParseError& error);

}  // namespace veltrane::tools
