// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/result.h"
#include "program_file/program_file.h"

namespace veltrane::cli {

// A built program's flat block, or why it could not be built (one sentence naming the area).
using BuiltProgram = Result<std::vector<uint8_t>>;

// Builds the program a file describes, through the same builder calls the library's exports make,
// and takes it out as the block a screen would receive.
BuiltProgram BuildProgram(const ProgramFile& file);

}  // namespace veltrane::cli
