// SPDX-License-Identifier: MIT
#pragma once

#include <ostream>

#include "common/status.h"

namespace veltrane {

// How a failed expectation shows a status: its code's number and its reason.
inline void PrintTo(const Status& status, std::ostream* out) {
  *out << "Status " << static_cast<int>(status.code());
  if (status.reason() != nullptr) *out << " (" << status.reason() << ")";
}

}  // namespace veltrane
