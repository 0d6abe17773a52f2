// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace veltrane::platform {

// The system's own short description of an error number it gave (as a Status keeps it), in
// lower case to sit inside a sentence: "permission denied", "no such device". Empty for 0.
std::string SystemErrorText(int systemError);

}  // namespace veltrane::platform
