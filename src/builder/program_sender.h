#pragma once

#include <cstdint>

#include "common/status.h"
#include "link/target.h"

namespace veltrane::builder {

// Sends the program in `slot` to the screen the target names. A slot outside 1..16, a free slot
// or a program over format::kMaxProgramBytes is Refused and left as it is. Otherwise the program
// leaves its slot whatever happens next (the slot is free at once): with `senderEnabled` false
// nothing is sent (Refused); else the upload's result (Ok when the screen acknowledged it all).
// Counts itself busy from taking the program to the end of the upload.
Status DoSendToScreen(const link::Target& target, int32_t slot, bool senderEnabled);

}  // namespace veltrane::builder
