// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace veltrane::platform {

// The families of the installed faces, sorted, each once: the names a text area may ask for and
// get drawn in. Empty where the system offers no list (Windows).
std::vector<std::string> InstalledFamilies();

}  // namespace veltrane::platform
