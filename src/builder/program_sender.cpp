#include "builder/program_sender.h"

#include "protocol/upload.h"

namespace veltrane::builder {

Status DoSendToScreen(ProgramSlots& slots, const protocol::DeviceContext& context,
                      const link::Target& target, int32_t slot, bool senderEnabled) {
  if (!slots.SendableSlot(slot)) return {Status::Refused, "no finished program in that slot"};
  BusyScope busy(context.busy);
  const std::optional<std::vector<uint8_t>> program = slots.TakeProgram(slot);
  if (!program)
    return {
        Status::NoMemory,
        "the program could not be taken from its slot"};  // or another thread took the slot first
  if (!senderEnabled) return {Status::Refused, "sending is switched off"};
  return protocol::UploadProgram(context, target, *program);
}

}  // namespace veltrane::builder
