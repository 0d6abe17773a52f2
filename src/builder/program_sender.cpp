#include "builder/program_sender.h"

#include "protocol/upload.h"

namespace veltrane::builder {

Status DoSendToScreen(ProgramSlots& slots, const protocol::DeviceContext& context,
                      const link::Target& target, int32_t slot, bool senderEnabled) {
  if (!slots.SendableSlot(slot)) return Status::Refused;
  BusyScope busy(context.busy);
  const std::optional<std::vector<uint8_t>> program = slots.TakeProgram(slot);
  if (!program) return Status::NoMemory;  // or another thread took the slot first
  if (!senderEnabled) return Status::Refused;
  return protocol::UploadProgram(context, target, *program);
}

}  // namespace veltrane::builder
