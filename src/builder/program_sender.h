#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "builder/program_slot.h"
#include "common/status.h"
#include "link/target.h"
#include "protocol/device_context.h"

namespace veltrane::builder {

// Takes the program in `slot` for sending, freeing the slot. Refused (the slot left as it is)
// for a slot outside 1..16, a free slot or a program over format::kMaxProgramBytes; NoMemory
// (the slot as it was) when the block cannot be allocated or another thread took it first. The
// caller counts itself busy before.
std::variant<std::vector<uint8_t>, Status> TakeForSending(ProgramSlots& slots, int32_t slot);

// Sends the program in `slot` to the screen the target names. A slot outside 1..16, a free slot
// or a program over format::kMaxProgramBytes is Refused and left as it is. Otherwise the program
// leaves its slot whatever happens next (the slot is free at once): with `senderEnabled` false
// nothing is sent (Refused); else the upload's result (Ok when the screen acknowledged it all).
// Counts itself busy (in `context.busy`) from taking the program to the end of the upload.
Status DoSendToScreen(ProgramSlots& slots, const protocol::DeviceContext& context,
                      const link::Target& target, int32_t slot, bool senderEnabled);

}  // namespace veltrane::builder
