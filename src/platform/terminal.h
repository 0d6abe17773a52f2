#pragma once

#include <cstdio>

namespace veltrane::platform {

// True when `stream` goes to a terminal (progress displays are drawn only then).
bool IsTerminal(std::FILE* stream);

}  // namespace veltrane::platform
