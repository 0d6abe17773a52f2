// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "api/program_slots.h"
#include "common/status.h"
#include "link/target.h"
#include "protocol/device_context.h"

namespace veltrane::api {

// What a send is told when sending is switched off: the program left its slot unsent.
inline constexpr Status kSendingSwitchedOff{
    Status::BadArgument,
    "sending is switched off (SetSenderEnable): the program was dropped unsent"};

// Sends the program in `slot` to the screen the target names. A slot outside 1..16, a free slot
// or a program over format::kMaxProgramBytes is refused (BadArgument) and left as it is.
// Otherwise the program leaves its slot whatever happens next (the slot is free at once): with
// `senderEnabled` false nothing is sent (BadArgument); else the upload's result (Ok when the
// screen acknowledged it all). Counts itself busy (in `context.busy`) from taking the program to
// the end of the upload.
Status DoSendToScreen(ProgramSlots& slots, const protocol::DeviceContext& context,
                      const link::Target& target, int32_t slot, bool senderEnabled);

}  // namespace veltrane::api
