#include "builder/program_sender.h"

#include "protocol/upload.h"

namespace veltrane::builder {
namespace {

constexpr Status kNothingToSend{Status::Refused, "no finished program in that slot"};

}  // namespace

std::variant<std::vector<uint8_t>, Status> TakeForSending(ProgramSlots& slots, int32_t slot) {
  if (!slots.SendableSlot(slot)) return kNothingToSend;
  std::optional<std::vector<uint8_t>> program = slots.TakeProgram(slot);
  // Or another thread took the slot first.
  if (!program) return Status{Status::NoMemory, "the program could not be taken from its slot"};
  return std::move(*program);
}

Status DoSendToScreen(ProgramSlots& slots, const protocol::DeviceContext& context,
                      const link::Target& target, int32_t slot, bool senderEnabled) {
  if (!slots.SendableSlot(slot)) return kNothingToSend;
  BusyScope busy(context.busy);
  const auto taken = TakeForSending(slots, slot);
  if (const auto* failed = std::get_if<Status>(&taken)) return *failed;
  if (!senderEnabled) return {Status::Refused, "sending is switched off"};
  return protocol::UploadProgram(context, target, std::get<std::vector<uint8_t>>(taken));
}

}  // namespace veltrane::builder
