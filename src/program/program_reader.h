// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "program/program_tree.h"

namespace veltrane::program {

// Reads a flat program block (the bytes a screen receives) into its tree and checks every
// length, count, tag and raster size in it. Safe on any input: nothing is read outside `block`,
// and what is allocated grows only with the records actually present. The tree's spans view
// `block`.
ReadResult ReadProgram(std::span<const uint8_t> block);

}  // namespace veltrane::program
