#include "builder/program_sender.h"

#include "builder/program_slot.h"
#include "common/busy_count.h"
#include "protocol/upload.h"

namespace veltrane::builder {

Status DoSendToScreen(const link::Target& target, int32_t slot, bool senderEnabled) {
  if (!SendableSlot(slot)) return Status::Refused;
  BusyScope busy;
  const std::optional<std::vector<uint8_t>> program = TakeProgram(slot);
  if (!program) return Status::NoMemory;  // or another thread took the slot first
  if (!senderEnabled) return Status::Refused;
  return protocol::UploadProgram(target, *program);
}

}  // namespace veltrane::builder
