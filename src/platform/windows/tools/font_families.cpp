// SPDX-License-Identifier: MIT
#include "platform/tools/font_families.h"

namespace veltrane::platform {

// GDI finds a face by name without a list; none is offered here.
std::vector<std::string> InstalledFamilies() { return {}; }

}  // namespace veltrane::platform
