// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include "common/status.h"

namespace veltrane {

// What a code means, in the words a host is told ("the screen did not answer"); empty for Ok.
std::string_view CodeText(Status::Code code);

// A status as one sentence part: the reason the deciding layer gave, or else the code's words.
// `systemWords` are what the system said behind an OsError (the caller asks the platform for
// them, which this layer cannot); they stand for the code's words and follow a reason.
std::string StatusText(const Status& status, std::string_view systemWords = {});

}  // namespace veltrane
