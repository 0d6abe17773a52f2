// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace veltrane::platform {

// The families of the installed faces, sorted, each once: the names a text area may ask for and
// get drawn in. POSIX only, like terminal.h: only the Linux tools offer the list.
std::vector<std::string> InstalledFamilies();

}  // namespace veltrane::platform
